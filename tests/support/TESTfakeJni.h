// TESTfakeJni: a JNIEnv and a JavaVM of our own, for the roads a real JVM cannot be made to
// take (PushLocalFrame or GetStringChars failing, GetEnv/AttachCurrentThread error codes, a
// FatalError that returns) and for the Windows build, which has no JVM: the JNI code runs
// under Wine against this table.
//
// How to use it:
//   TESTfakeJni fake;                                  // the constructing thread is attached
//   fake.defineHandleClass("com/x/MyException", "java/lang/RuntimeException");
//   fake.defineMethod("com/x/Listener", "onEvent", "(I)V",
//                     [&](jobject self, const std::vector<jvalue>& args) { ...; return jvalue{}; });
//   someNative(fake.env(), ...);                       // or JNIscopedEnvPointer(fake.vm(), ...)
//   EXPECT_EQ(fake.violations(), std::vector<std::string>{});  // JNI misuse, as -Xcheck:jni
//   EXPECT_EQ(fake.calls("PopLocalFrame"), 1);
//   jthrowable thrown = fake.pending();  fake.classNameOf(thrown), fake.messageOf(thrown),
//                                        fake.valueOf(thrown) (the long of a (J)V constructor)
//
// The model: classes (with super classes), methods whose bodies are test lambdas, objects
// (a class, a text for strings, a long for handle wrappers and dates, a message for
// throwables), a stack of local frames, global references, one pending exception and the
// set of attached threads. A missing class or method behaves as in a JVM: null with
// NoClassDefFoundError or NoSuchMethodError pending. java/lang/Object, String, Class,
// Throwable, Exception, RuntimeException, IllegalStateException, the JVM's errors (out of
// memory and stack among them) and
// java/util/Date (a long value; (J)V, getTime, setTime) exist from the start.
//
// Every call counts under its entry's name (calls); the V and A forms of a call count
// under the plain name (jni.h's C++ methods reach the V forms). A call that JNI forbids while an
// exception is pending, a double release of string characters, a pop without a push or a
// detach of an unattached thread is recorded in violations(). FatalError is recorded in
// fatalErrors() and returns.
//
// Threads: every thread gets the same JNIEnv; GetEnv answers JNI_EDETACHED on a thread that
// is not attached. Calls are serialised by one lock, which a method body runs under.
//
// Extending it: an entry that no test has needed yet is a stub that prints its name and
// aborts the test program. To fill one, write the function in TESTfakeJni.cpp with the
// signature jni.h gives and assign it in fillEnvTable (or fillVmTable); keep the additions
// additive, other suites share this table.
#pragma once

#include <jni.h>

#include <functional>
#include <string>
#include <vector>

class TESTfakeJniPrivate;

class TESTfakeJni {
public:
  TESTfakeJni();
  ~TESTfakeJni();
  TESTfakeJni(const TESTfakeJni&) = delete;
  TESTfakeJni& operator=(const TESTfakeJni&) = delete;

  JNIEnv* env();
  JavaVM* vm();

  // A method body: the object (the new one, for a constructor; null for a static method)
  // and the arguments as the signature lists them. It may leave an exception pending
  // (throwPending) as a Java method would; NewObject then returns null.
  using Method = std::function<jvalue(jobject self, const std::vector<jvalue>& args)>;

  // Classes and methods. The super class must exist already.
  jclass defineClass(const std::string& name, const std::string& superName = "java/lang/Object");
  // Without a body the method returns zero (or null) and does nothing.
  jmethodID defineMethod(const std::string& className, const std::string& name, const std::string& signature,
                         Method body = nullptr);
  // A class with the wrapper constructors: (J)V keeps the long, (Ljava/lang/String;)V the text.
  jclass defineHandleClass(const std::string& name, const std::string& superName = "java/lang/Object");
  void removeMethod(const std::string& className, const std::string& name, const std::string& signature);
  // A system property that java/lang/System.getProperty answers (null for one not set).
  void setSystemProperty(const std::string& key, const std::u16string& value);
  // FindClass fails for it from then on; its objects keep their class.
  void removeClass(const std::string& name);
  // The class unloaded with its loader: removed, and weak references to its class object
  // read as null. Defining the name again makes another class, as a new loader would.
  void unloadClass(const std::string& name);

  // Objects made by the test, outside any frame and uncounted.
  jobject newObject(const std::string& className, jlong value = 0);
  jstring newString(const std::u16string& text);
  std::u16string textOf(jobject string) const;
  std::string classNameOf(jobject object) const;
  jlong valueOf(jobject object) const;
  std::string messageOf(jobject throwable) const;

  // The pending exception.
  jthrowable pending() const;
  void throwPending(const std::string& className, const std::string& message);
  void clearPending();

  // Roads a JVM cannot be made to take. Each failure is the one a JVM reports.
  struct Faults {
    int pushLocalFrameFailsFrom = -1;      // capacity from which PushLocalFrame fails (OutOfMemoryError)
    bool getStringCharsFails = false;      // null, OutOfMemoryError pending
    bool getStringUtfCharsFails = false;   // null, OutOfMemoryError pending
    bool getEnvOverridden = false;         // GetEnv answers getEnvResult, giving the env or null
    jint getEnvResult = JNI_OK;
    bool getEnvGivesEnv = true;
    bool attachOverridden = false;         // AttachCurrentThread answers attachResult
    jint attachResult = JNI_OK;
    bool attachGivesEnv = true;
    jint throwResult = 0;                  // Throw's answer when not 0: nothing thrown
    jint throwNewResult = 0;               // ThrowNew's likewise
    jsize stringLength = -1;               // when not negative, GetStringLength's answer for every string
    bool newObjectFails = false;           // NewObject gives null, OutOfMemoryError pending
    bool getJavaVmFails = false;           // GetJavaVM answers JNI_ERR and gives null
    std::string findClassFailsWith;        // when set, every FindClass gives null with this error
                                           // pending (java/lang/StackOverflowError: no stack left)
    // The test's classes come from a child class loader: FindClass on a thread other than
    // the one that made the fake (a thread with no Java frame, which a JVM searches the
    // system loader for) finds only the java/ classes.
    bool classesOfAChildLoader = false;
  };
  Faults faults;

  // What the code under test did.
  int calls(const std::string& entry) const;
  const std::vector<std::string>& violations() const;
  const std::vector<std::string>& fatalErrors() const;
  std::vector<jint> pushedCapacities() const;
  int openFrames() const;       // frames pushed and not popped
  int localReferences() const;  // live local references in every frame
  int globalReferences() const;
  int weakGlobalReferences() const;
  int borrowedChars() const;    // GetString(UTF)Chars not yet released
  bool currentThreadAttached() const;

private:
  TESTfakeJniPrivate* pMember;
};
