#include "tests/support/TESTfakeJni.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <thread>

namespace {

struct FakeClass;
struct FakeMethod;

struct FakeObject {
  FakeClass* type = nullptr;
  FakeClass* classValue = nullptr;  // set when the object is a class object
  std::u16string text;
  jlong value = 0;
  std::string message;
  bool collected = false;  // weak references to it read as null
};

struct FakeMethod {
  FakeClass* owner;
  std::string name;
  std::string signature;
  TESTfakeJni::Method body;
};

struct FakeClass {
  std::string name;
  FakeClass* super = nullptr;
  FakeObject* object = nullptr;
  std::map<std::string, std::unique_ptr<FakeMethod>> methods;  // by name + signature
};

// The borrowed characters of GetStringChars and GetStringUTFChars, until released.
struct Borrowed {
  std::u16string chars;
  std::string utf;
};

}  // namespace

class TESTfakeJniPrivate {
public:
  explicit TESTfakeJniPrivate(TESTfakeJni* owner);

  TESTfakeJni* owner;
  JNINativeInterface_ envTable;
  JNIEnv_ envObject;
  JNIInvokeInterface_ vmTable;
  JavaVM_ vmObject;

  mutable std::recursive_mutex lock;
  std::vector<std::unique_ptr<FakeObject>> objects;
  std::map<std::string, std::unique_ptr<FakeClass>> classes;
  std::vector<std::unique_ptr<FakeClass>> removed;  // still the class of their objects
  std::vector<std::vector<FakeObject*>> frames{1};  // the native method's own frame first
  std::vector<jint> pushedCapacities;
  std::multiset<FakeObject*> globals;
  std::multiset<FakeObject*> weakGlobals;
  std::map<const void*, std::unique_ptr<Borrowed>> borrowed;
  FakeObject* pending = nullptr;
  std::set<std::thread::id> attached;
  std::thread::id home = std::this_thread::get_id();  // the thread that made the fake
  std::map<std::string, int> calls;
  std::map<std::u16string, std::u16string> properties;
  std::vector<std::string> violations;
  std::vector<std::string> fatalErrors;

  FakeObject* make(FakeClass* type) {
    objects.push_back(std::make_unique<FakeObject>());
    objects.back()->type = type;
    return objects.back().get();
  }
  // A new local reference to the object, in the current frame.
  jobject local(FakeObject* object) {
    if (object != nullptr) frames.back().push_back(object);
    return reinterpret_cast<jobject>(object);
  }
  FakeClass* findClass(const std::string& name) const {
    auto found = classes.find(name);
    return found == classes.end() ? nullptr : found->second.get();
  }
  FakeClass* defineClass(const std::string& name, const std::string& superName) {
    FakeClass* super = name == "java/lang/Object" ? nullptr : findClass(superName);
    if (name != "java/lang/Object" && super == nullptr) {
      fprintf(stderr, "TESTfakeJni: super class %s of %s is not defined\n", superName.c_str(), name.c_str());
      abort();
    }
    auto& slot = classes[name];
    if (!slot) {
      slot = std::make_unique<FakeClass>();
      slot->name = name;
      slot->object = make(nullptr);
      slot->object->classValue = slot.get();
    }
    slot->super = super;
    return slot.get();
  }
  FakeMethod* findMethod(FakeClass* type, const std::string& name, const std::string& signature) const {
    // Constructors are not inherited; methods are found in the super classes too.
    for (FakeClass* at = type; at != nullptr; at = name == "<init>" ? nullptr : at->super) {
      auto found = at->methods.find(name + signature);
      if (found != at->methods.end()) return found->second.get();
    }
    return nullptr;
  }
  bool isInstance(const FakeObject* object, const FakeClass* type) const {
    const FakeClass* at = object->classValue != nullptr ? findClass("java/lang/Class") : object->type;
    for (; at != nullptr; at = at->super) {
      if (at == type) return true;
    }
    return false;
  }
  void throwNew(const std::string& className, const std::string& message) {
    FakeClass* type = findClass(className);
    pending = make(type);
    pending->message = message;
  }
  void violation(const std::string& text) { violations.push_back(text); }
};

namespace {

TESTfakeJniPrivate* fakeOf(JNIEnv* env) { return static_cast<TESTfakeJniPrivate*>(env->functions->reserved0); }
TESTfakeJniPrivate* fakeOf(JavaVM* vm) { return static_cast<TESTfakeJniPrivate*>(vm->functions->reserved0); }

FakeObject* objectOf(jobject object) { return reinterpret_cast<FakeObject*>(object); }
jobject handleOf(FakeObject* object) { return reinterpret_cast<jobject>(object); }
FakeClass* classOf(jclass type) { return type == nullptr ? nullptr : objectOf(type)->classValue; }
FakeMethod* methodOf(jmethodID method) { return reinterpret_cast<FakeMethod*>(method); }
jmethodID methodHandleOf(FakeMethod* method) { return reinterpret_cast<jmethodID>(method); }

// One call of an entry: counted, and checked against the rule that a pending exception
// allows only the calls that clear, describe or release.
class Entry {
public:
  Entry(TESTfakeJniPrivate* fake, const char* name, bool allowedWhilePending = false)
      : fake(fake), hold(fake->lock) {
    ++fake->calls[name];
    if (fake->pending != nullptr && !allowedWhilePending) {
      fake->violation(std::string(name) + " called with an exception pending");
    }
  }
  TESTfakeJniPrivate* fake;

private:
  std::lock_guard<std::recursive_mutex> hold;
};

// The argument types of a method signature, one letter each ('L' for any reference).
std::string argumentKinds(const std::string& signature) {
  std::string kinds;
  for (size_t at = 1; at < signature.size() && signature[at] != ')'; ++at) {
    char kind = signature[at];
    if (kind == '[') {
      while (signature[at] == '[') ++at;
      if (signature[at] == 'L') at = signature.find(';', at);
      kinds += 'L';
    } else if (kind == 'L') {
      at = signature.find(';', at);
      kinds += 'L';
    } else {
      kinds += kind;
    }
  }
  return kinds;
}

std::vector<jvalue> argumentsOf(FakeMethod* method, va_list args) {
  std::vector<jvalue> values;
  for (char kind : argumentKinds(method->signature)) {
    jvalue value{};
    switch (kind) {
      case 'Z': value.z = static_cast<jboolean>(va_arg(args, int)); break;
      case 'B': value.b = static_cast<jbyte>(va_arg(args, int)); break;
      case 'C': value.c = static_cast<jchar>(va_arg(args, int)); break;
      case 'S': value.s = static_cast<jshort>(va_arg(args, int)); break;
      case 'I': value.i = va_arg(args, jint); break;
      case 'J': value.j = va_arg(args, jlong); break;
      case 'F': value.f = static_cast<jfloat>(va_arg(args, double)); break;
      case 'D': value.d = va_arg(args, double); break;
      default: value.l = va_arg(args, jobject); break;
    }
    values.push_back(value);
  }
  return values;
}

std::vector<jvalue> argumentsOf(FakeMethod* method, const jvalue* args) {
  size_t count = argumentKinds(method->signature).size();
  return std::vector<jvalue>(args, args + count);
}

jvalue invoke(TESTfakeJniPrivate* fake, jobject self, jmethodID id, const std::vector<jvalue>& args) {
  FakeMethod* method = methodOf(id);
  if (method == nullptr) {
    fake->violation("a call through a null method ID");
    return jvalue{};
  }
  if (!method->body) return jvalue{};
  jvalue result = method->body(self, args);
  // A returned reference is a new local reference of the caller's frame.
  if (method->signature.back() == ';' || method->signature[method->signature.find(')') + 1] == '[') {
    fake->local(objectOf(result.l));
  }
  return result;
}

// Modified UTF-8 of JNI (no supplementary characters in four bytes, zero as two bytes).
std::string modifiedUtf8(const std::u16string& text) {
  std::string out;
  for (char16_t unit : text) {
    if (unit != 0 && unit < 0x80) {
      out += static_cast<char>(unit);
    } else if (unit < 0x800) {
      out += static_cast<char>(0xC0 | (unit >> 6));
      out += static_cast<char>(0x80 | (unit & 0x3F));
    } else {
      out += static_cast<char>(0xE0 | (unit >> 12));
      out += static_cast<char>(0x80 | ((unit >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (unit & 0x3F));
    }
  }
  return out;
}

std::u16string fromModifiedUtf8(const char* bytes) {
  std::u16string out;
  const unsigned char* at = reinterpret_cast<const unsigned char*>(bytes);
  while (*at != 0) {
    if (*at < 0x80) {
      out += static_cast<char16_t>(*at++);
    } else if ((*at & 0xE0) == 0xC0 && at[1] != 0) {
      out += static_cast<char16_t>(((at[0] & 0x1F) << 6) | (at[1] & 0x3F));
      at += 2;
    } else if ((*at & 0xF0) == 0xE0 && at[1] != 0 && at[2] != 0) {
      out += static_cast<char16_t>(((at[0] & 0x0F) << 12) | ((at[1] & 0x3F) << 6) | (at[2] & 0x3F));
      at += 3;
    } else {
      out += u'\uFFFD';
      ++at;
    }
  }
  return out;
}

// ---- the filled JNIEnv entries

jint JNICALL getVersion(JNIEnv* env) {
  Entry e(fakeOf(env), "GetVersion");
  return JNI_VERSION_1_8;
}

jclass JNICALL findClass(JNIEnv* env, const char* name) {
  Entry e(fakeOf(env), "FindClass");
  const std::string& failure = e.fake->owner->faults.findClassFailsWith;
  if (!failure.empty()) {
    e.fake->throwNew(failure, name);
    return nullptr;
  }
  FakeClass* type = e.fake->findClass(name);
  if (e.fake->owner->faults.classesOfAChildLoader && std::this_thread::get_id() != e.fake->home &&
      std::string(name).compare(0, 5, "java/") != 0) {
    type = nullptr;
  }
  if (type == nullptr) {
    e.fake->throwNew("java/lang/NoClassDefFoundError", name);
    return nullptr;
  }
  return static_cast<jclass>(e.fake->local(type->object));
}

jclass JNICALL getObjectClass(JNIEnv* env, jobject object) {
  Entry e(fakeOf(env), "GetObjectClass");
  FakeObject* self = objectOf(object);
  FakeClass* type = self->classValue != nullptr ? e.fake->findClass("java/lang/Class") : self->type;
  return static_cast<jclass>(e.fake->local(type->object));
}

jboolean JNICALL isInstanceOf(JNIEnv* env, jobject object, jclass type) {
  Entry e(fakeOf(env), "IsInstanceOf");
  return object == nullptr || e.fake->isInstance(objectOf(object), classOf(type)) ? JNI_TRUE : JNI_FALSE;
}

jboolean JNICALL isSameObject(JNIEnv* env, jobject first, jobject second) {
  Entry e(fakeOf(env), "IsSameObject");
  return first == second ? JNI_TRUE : JNI_FALSE;
}

jmethodID JNICALL getMethodID(JNIEnv* env, jclass type, const char* name, const char* signature) {
  Entry e(fakeOf(env), "GetMethodID");
  FakeMethod* method = e.fake->findMethod(classOf(type), name, signature);
  if (method == nullptr) {
    e.fake->throwNew("java/lang/NoSuchMethodError", name);
    return nullptr;
  }
  return methodHandleOf(method);
}

jint JNICALL throwObject(JNIEnv* env, jthrowable object) {
  Entry e(fakeOf(env), "Throw");
  if (e.fake->owner->faults.throwResult != 0) return e.fake->owner->faults.throwResult;
  e.fake->pending = objectOf(object);
  return 0;
}

jint JNICALL throwNew(JNIEnv* env, jclass type, const char* message) {
  Entry e(fakeOf(env), "ThrowNew");
  if (e.fake->owner->faults.throwNewResult != 0) return e.fake->owner->faults.throwNewResult;
  e.fake->pending = e.fake->make(classOf(type));
  e.fake->pending->message = message == nullptr ? "" : message;
  return 0;
}

jthrowable JNICALL exceptionOccurred(JNIEnv* env) {
  Entry e(fakeOf(env), "ExceptionOccurred", true);
  return static_cast<jthrowable>(e.fake->local(e.fake->pending));
}

void JNICALL exceptionDescribe(JNIEnv* env) {
  Entry e(fakeOf(env), "ExceptionDescribe", true);
  e.fake->pending = nullptr;
}

void JNICALL exceptionClear(JNIEnv* env) {
  Entry e(fakeOf(env), "ExceptionClear", true);
  e.fake->pending = nullptr;
}

jboolean JNICALL exceptionCheck(JNIEnv* env) {
  Entry e(fakeOf(env), "ExceptionCheck", true);
  return e.fake->pending != nullptr ? JNI_TRUE : JNI_FALSE;
}

void JNICALL fatalError(JNIEnv* env, const char* message) {
  Entry e(fakeOf(env), "FatalError");
  e.fake->fatalErrors.push_back(message);
}

jint JNICALL pushLocalFrame(JNIEnv* env, jint capacity) {
  Entry e(fakeOf(env), "PushLocalFrame", true);
  e.fake->pushedCapacities.push_back(capacity);
  int failsFrom = e.fake->owner->faults.pushLocalFrameFailsFrom;
  if (failsFrom >= 0 && capacity >= failsFrom) {
    e.fake->throwNew("java/lang/OutOfMemoryError", "local frame");
    return JNI_ENOMEM;
  }
  e.fake->frames.emplace_back();
  return 0;
}

jobject JNICALL popLocalFrame(JNIEnv* env, jobject result) {
  Entry e(fakeOf(env), "PopLocalFrame", true);
  if (e.fake->frames.size() < 2) {
    e.fake->violation("PopLocalFrame without a pushed frame");
    return nullptr;
  }
  e.fake->frames.pop_back();
  return e.fake->local(objectOf(result));
}

jobject JNICALL newGlobalRef(JNIEnv* env, jobject object) {
  Entry e(fakeOf(env), "NewGlobalRef");
  if (object != nullptr) e.fake->globals.insert(objectOf(object));
  return object;
}

void JNICALL deleteGlobalRef(JNIEnv* env, jobject object) {
  Entry e(fakeOf(env), "DeleteGlobalRef", true);
  if (object == nullptr) return;
  auto found = e.fake->globals.find(objectOf(object));
  if (found == e.fake->globals.end()) {
    e.fake->violation("DeleteGlobalRef of a reference that is not global");
    return;
  }
  e.fake->globals.erase(found);
}

// A weak reference is the object's own pointer, as a global one is; once the object has
// been collected, a new local reference from it is null.
jweak JNICALL newWeakGlobalRef(JNIEnv* env, jobject object) {
  Entry e(fakeOf(env), "NewWeakGlobalRef");
  if (object != nullptr) e.fake->weakGlobals.insert(objectOf(object));
  return object;
}

void JNICALL deleteWeakGlobalRef(JNIEnv* env, jweak object) {
  Entry e(fakeOf(env), "DeleteWeakGlobalRef", true);
  if (object == nullptr) return;
  auto found = e.fake->weakGlobals.find(objectOf(object));
  if (found == e.fake->weakGlobals.end()) {
    e.fake->violation("DeleteWeakGlobalRef of a reference that is not a weak global one");
    return;
  }
  e.fake->weakGlobals.erase(found);
}

jobject JNICALL newLocalRef(JNIEnv* env, jobject object) {
  Entry e(fakeOf(env), "NewLocalRef");
  if (object != nullptr && objectOf(object)->collected) return nullptr;
  return e.fake->local(objectOf(object));
}

void JNICALL deleteLocalRef(JNIEnv* env, jobject object) {
  Entry e(fakeOf(env), "DeleteLocalRef", true);
  if (object == nullptr) return;
  for (auto frame = e.fake->frames.rbegin(); frame != e.fake->frames.rend(); ++frame) {
    for (auto at = frame->begin(); at != frame->end(); ++at) {
      if (*at == objectOf(object)) {
        frame->erase(at);
        return;
      }
    }
  }
  e.fake->violation("DeleteLocalRef of a reference that is not local");
}

jint JNICALL ensureLocalCapacity(JNIEnv* env, jint) {
  Entry e(fakeOf(env), "EnsureLocalCapacity");
  return 0;
}

jobject newObjectOf(TESTfakeJniPrivate* fake, jclass type, jmethodID id, const std::vector<jvalue>& args) {
  if (fake->owner->faults.newObjectFails) {
    fake->throwNew("java/lang/OutOfMemoryError", "object");
    return nullptr;
  }
  FakeObject* object = fake->make(classOf(type));
  invoke(fake, handleOf(object), id, args);
  if (fake->pending != nullptr) return nullptr;
  return fake->local(object);
}

jobject JNICALL newObject(JNIEnv* env, jclass type, jmethodID id, ...) {
  Entry e(fakeOf(env), "NewObject");
  va_list args;
  va_start(args, id);
  std::vector<jvalue> values = argumentsOf(methodOf(id), args);
  va_end(args);
  return newObjectOf(e.fake, type, id, values);
}

jobject JNICALL newObjectV(JNIEnv* env, jclass type, jmethodID id, va_list args) {
  Entry e(fakeOf(env), "NewObject");
  return newObjectOf(e.fake, type, id, argumentsOf(methodOf(id), args));
}

jobject JNICALL newObjectA(JNIEnv* env, jclass type, jmethodID id, const jvalue* args) {
  Entry e(fakeOf(env), "NewObject");
  return newObjectOf(e.fake, type, id, argumentsOf(methodOf(id), args));
}

// The Call<Type>Method entries, in their three argument forms, instance and static.
#define TEST_FAKE_CALLS(Type, type, member)                                                          \
  type JNICALL call##Type##Method(JNIEnv* env, jobject self, jmethodID id, ...) {                  \
    Entry e(fakeOf(env), "Call" #Type "Method");                                                   \
    va_list args;                                                                                  \
    va_start(args, id);                                                                            \
    std::vector<jvalue> values = argumentsOf(methodOf(id), args);                                  \
    va_end(args);                                                                                  \
    return static_cast<type>(invoke(e.fake, self, id, values).member);                             \
  }                                                                                                \
  type JNICALL call##Type##MethodV(JNIEnv* env, jobject self, jmethodID id, va_list args) {        \
    Entry e(fakeOf(env), "Call" #Type "Method");                                                  \
    return static_cast<type>(invoke(e.fake, self, id, argumentsOf(methodOf(id), args)).member);   \
  }                                                                                                \
  type JNICALL call##Type##MethodA(JNIEnv* env, jobject self, jmethodID id, const jvalue* args) {  \
    Entry e(fakeOf(env), "Call" #Type "Method");                                                  \
    return static_cast<type>(invoke(e.fake, self, id, argumentsOf(methodOf(id), args)).member);   \
  }                                                                                                \
  type JNICALL callStatic##Type##Method(JNIEnv* env, jclass, jmethodID id, ...) {                  \
    Entry e(fakeOf(env), "CallStatic" #Type "Method");                                             \
    va_list args;                                                                                  \
    va_start(args, id);                                                                            \
    std::vector<jvalue> values = argumentsOf(methodOf(id), args);                                  \
    va_end(args);                                                                                  \
    return static_cast<type>(invoke(e.fake, nullptr, id, values).member);                          \
  }                                                                                                \
  type JNICALL callStatic##Type##MethodV(JNIEnv* env, jclass, jmethodID id, va_list args) {        \
    Entry e(fakeOf(env), "CallStatic" #Type "MethodV");                                            \
    return static_cast<type>(invoke(e.fake, nullptr, id, argumentsOf(methodOf(id), args)).member); \
  }
#define TEST_FAKE_TYPES(X)              \
  X(Object, jobject, l)                 \
  X(Boolean, jboolean, z)               \
  X(Int, jint, i)                       \
  X(Long, jlong, j)                     \
  X(Double, jdouble, d)
TEST_FAKE_TYPES(TEST_FAKE_CALLS)
#undef TEST_FAKE_CALLS

void JNICALL callVoidMethod(JNIEnv* env, jobject self, jmethodID id, ...) {
  Entry e(fakeOf(env), "CallVoidMethod");
  va_list args;
  va_start(args, id);
  std::vector<jvalue> values = argumentsOf(methodOf(id), args);
  va_end(args);
  invoke(e.fake, self, id, values);
}

void JNICALL callVoidMethodV(JNIEnv* env, jobject self, jmethodID id, va_list args) {
  Entry e(fakeOf(env), "CallVoidMethod");
  invoke(e.fake, self, id, argumentsOf(methodOf(id), args));
}

void JNICALL callVoidMethodA(JNIEnv* env, jobject self, jmethodID id, const jvalue* args) {
  Entry e(fakeOf(env), "CallVoidMethod");
  invoke(e.fake, self, id, argumentsOf(methodOf(id), args));
}

void JNICALL callStaticVoidMethod(JNIEnv* env, jclass, jmethodID id, ...) {
  Entry e(fakeOf(env), "CallStaticVoidMethod");
  va_list args;
  va_start(args, id);
  std::vector<jvalue> values = argumentsOf(methodOf(id), args);
  va_end(args);
  invoke(e.fake, nullptr, id, values);
}

jmethodID JNICALL getStaticMethodID(JNIEnv* env, jclass type, const char* name, const char* signature) {
  Entry e(fakeOf(env), "GetStaticMethodID");
  FakeMethod* method = e.fake->findMethod(classOf(type), name, signature);
  if (method == nullptr) {
    e.fake->throwNew("java/lang/NoSuchMethodError", name);
    return nullptr;
  }
  return methodHandleOf(method);
}

jstring newStringOf(TESTfakeJniPrivate* fake, std::u16string text) {
  FakeObject* object = fake->make(fake->findClass("java/lang/String"));
  object->text = std::move(text);
  return static_cast<jstring>(fake->local(object));
}

jstring JNICALL newString(JNIEnv* env, const jchar* chars, jsize length) {
  Entry e(fakeOf(env), "NewString");
  return newStringOf(e.fake, std::u16string(reinterpret_cast<const char16_t*>(chars), length));
}

jstring JNICALL newStringUTF(JNIEnv* env, const char* bytes) {
  Entry e(fakeOf(env), "NewStringUTF");
  return newStringOf(e.fake, fromModifiedUtf8(bytes));
}

jsize JNICALL getStringLength(JNIEnv* env, jstring string) {
  Entry e(fakeOf(env), "GetStringLength");
  if (e.fake->owner->faults.stringLength >= 0) return e.fake->owner->faults.stringLength;
  return static_cast<jsize>(objectOf(string)->text.size());
}

jsize JNICALL getStringUTFLength(JNIEnv* env, jstring string) {
  Entry e(fakeOf(env), "GetStringUTFLength");
  return static_cast<jsize>(modifiedUtf8(objectOf(string)->text).size());
}

const jchar* JNICALL getStringChars(JNIEnv* env, jstring string, jboolean* isCopy) {
  Entry e(fakeOf(env), "GetStringChars");
  if (e.fake->owner->faults.getStringCharsFails) {
    e.fake->throwNew("java/lang/OutOfMemoryError", "string characters");
    return nullptr;
  }
  if (isCopy != nullptr) *isCopy = JNI_TRUE;
  auto held = std::make_unique<Borrowed>();
  held->chars = objectOf(string)->text;
  const jchar* chars = reinterpret_cast<const jchar*>(held->chars.c_str());
  e.fake->borrowed[chars] = std::move(held);
  return chars;
}

void JNICALL releaseStringChars(JNIEnv* env, jstring, const jchar* chars) {
  Entry e(fakeOf(env), "ReleaseStringChars", true);
  if (e.fake->borrowed.erase(chars) == 0) e.fake->violation("ReleaseStringChars of characters not borrowed");
}

const char* JNICALL getStringUTFChars(JNIEnv* env, jstring string, jboolean* isCopy) {
  Entry e(fakeOf(env), "GetStringUTFChars");
  if (e.fake->owner->faults.getStringUtfCharsFails) {
    e.fake->throwNew("java/lang/OutOfMemoryError", "string characters");
    return nullptr;
  }
  if (isCopy != nullptr) *isCopy = JNI_TRUE;
  auto held = std::make_unique<Borrowed>();
  held->utf = modifiedUtf8(objectOf(string)->text);
  const char* chars = held->utf.c_str();
  e.fake->borrowed[chars] = std::move(held);
  return chars;
}

void JNICALL releaseStringUTFChars(JNIEnv* env, jstring, const char* chars) {
  Entry e(fakeOf(env), "ReleaseStringUTFChars", true);
  if (e.fake->borrowed.erase(chars) == 0) e.fake->violation("ReleaseStringUTFChars of characters not borrowed");
}

jint JNICALL getJavaVM(JNIEnv* env, JavaVM** vm) {
  Entry e(fakeOf(env), "GetJavaVM");
  if (e.fake->owner->faults.getJavaVmFails) {
    *vm = nullptr;
    return JNI_ERR;
  }
  *vm = &e.fake->vmObject;
  return 0;
}

// ---- the filled JavaVM entries

jint JNICALL getEnv(JavaVM* vm, void** env, jint) {
  TESTfakeJniPrivate* fake = fakeOf(vm);
  std::lock_guard<std::recursive_mutex> hold(fake->lock);
  ++fake->calls["GetEnv"];
  const TESTfakeJni::Faults& faults = fake->owner->faults;
  if (faults.getEnvOverridden) {
    *env = faults.getEnvGivesEnv ? &fake->envObject : nullptr;
    return faults.getEnvResult;
  }
  if (fake->attached.count(std::this_thread::get_id()) == 0) {
    *env = nullptr;
    return JNI_EDETACHED;
  }
  *env = &fake->envObject;
  return JNI_OK;
}

jint attach(JavaVM* vm, void** env, const char* entry) {
  TESTfakeJniPrivate* fake = fakeOf(vm);
  std::lock_guard<std::recursive_mutex> hold(fake->lock);
  ++fake->calls[entry];
  const TESTfakeJni::Faults& faults = fake->owner->faults;
  if (faults.attachOverridden) {
    *env = faults.attachGivesEnv ? &fake->envObject : nullptr;
    if (faults.attachResult == JNI_OK && faults.attachGivesEnv) fake->attached.insert(std::this_thread::get_id());
    return faults.attachResult;
  }
  fake->attached.insert(std::this_thread::get_id());
  *env = &fake->envObject;
  return JNI_OK;
}

jint JNICALL attachCurrentThread(JavaVM* vm, void** env, void*) { return attach(vm, env, "AttachCurrentThread"); }

jint JNICALL attachCurrentThreadAsDaemon(JavaVM* vm, void** env, void*) {
  return attach(vm, env, "AttachCurrentThreadAsDaemon");
}

jint JNICALL detachCurrentThread(JavaVM* vm) {
  TESTfakeJniPrivate* fake = fakeOf(vm);
  std::lock_guard<std::recursive_mutex> hold(fake->lock);
  ++fake->calls["DetachCurrentThread"];
  if (fake->attached.erase(std::this_thread::get_id()) == 0) {
    fake->violation("DetachCurrentThread of a thread that is not attached");
    return JNI_EDETACHED;
  }
  return JNI_OK;
}

// ---- the stubs of the entries not filled: name the entry and end the test program

[[noreturn]] void unfilled(const char* table, const char* entry) {
  fprintf(stderr, "TESTfakeJni: %s entry %s is not filled; write it in tests/support/TESTfakeJni.cpp\n", table,
          entry);
  fflush(stderr);
  abort();
}

#define TEST_JNI_ENV_SLOT(name) \
  void unfilledEnv_##name() { unfilled("JNIEnv", #name); }
#include "tests/support/TESTfakeJniSlots.def"
#undef TEST_JNI_ENV_SLOT

#define TEST_JNI_ENV_SLOT(name) +1
constexpr int EnvSlotCount = 0
#include "tests/support/TESTfakeJniSlots.def"
    ;
#undef TEST_JNI_ENV_SLOT
// The list covers the whole table: four reserved words and one pointer per entry.
static_assert(sizeof(JNINativeInterface_) == (4 + EnvSlotCount) * sizeof(void*),
              "TESTfakeJniSlots.def does not list every JNIEnv entry");

void unfilledVm_DestroyJavaVM() { unfilled("JavaVM", "DestroyJavaVM"); }

template <class Slot>
void stub(Slot& slot, void (*function)()) {
  slot = reinterpret_cast<Slot>(function);
}

void fillEnvTable(JNINativeInterface_& table) {
#define TEST_JNI_ENV_SLOT(name) stub(table.name, unfilledEnv_##name);
#include "tests/support/TESTfakeJniSlots.def"
#undef TEST_JNI_ENV_SLOT
  table.GetVersion = getVersion;
  table.FindClass = findClass;
  table.GetObjectClass = getObjectClass;
  table.IsInstanceOf = isInstanceOf;
  table.IsSameObject = isSameObject;
  table.GetMethodID = getMethodID;
  table.GetStaticMethodID = getStaticMethodID;
  table.Throw = throwObject;
  table.ThrowNew = throwNew;
  table.ExceptionOccurred = exceptionOccurred;
  table.ExceptionDescribe = exceptionDescribe;
  table.ExceptionClear = exceptionClear;
  table.ExceptionCheck = exceptionCheck;
  table.FatalError = fatalError;
  table.PushLocalFrame = pushLocalFrame;
  table.PopLocalFrame = popLocalFrame;
  table.NewGlobalRef = newGlobalRef;
  table.DeleteGlobalRef = deleteGlobalRef;
  table.NewLocalRef = newLocalRef;
  table.NewWeakGlobalRef = newWeakGlobalRef;
  table.DeleteWeakGlobalRef = deleteWeakGlobalRef;
  table.DeleteLocalRef = deleteLocalRef;
  table.EnsureLocalCapacity = ensureLocalCapacity;
  table.NewObject = newObject;
  table.NewObjectV = newObjectV;
  table.NewObjectA = newObjectA;
#define TEST_FAKE_ASSIGN(Type, type, member)         \
  table.Call##Type##Method = call##Type##Method;     \
  table.Call##Type##MethodV = call##Type##MethodV;   \
  table.Call##Type##MethodA = call##Type##MethodA;   \
  table.CallStatic##Type##Method = callStatic##Type##Method;   \
  table.CallStatic##Type##MethodV = callStatic##Type##MethodV;
  TEST_FAKE_TYPES(TEST_FAKE_ASSIGN)
#undef TEST_FAKE_ASSIGN
  table.CallVoidMethod = callVoidMethod;
  table.CallVoidMethodV = callVoidMethodV;
  table.CallVoidMethodA = callVoidMethodA;
  table.CallStaticVoidMethod = callStaticVoidMethod;
  table.NewString = newString;
  table.NewStringUTF = newStringUTF;
  table.GetStringLength = getStringLength;
  table.GetStringUTFLength = getStringUTFLength;
  table.GetStringChars = getStringChars;
  table.ReleaseStringChars = releaseStringChars;
  table.GetStringUTFChars = getStringUTFChars;
  table.ReleaseStringUTFChars = releaseStringUTFChars;
  table.GetJavaVM = getJavaVM;
}

void fillVmTable(JNIInvokeInterface_& table) {
  stub(table.DestroyJavaVM, unfilledVm_DestroyJavaVM);
  table.AttachCurrentThread = attachCurrentThread;
  table.DetachCurrentThread = detachCurrentThread;
  table.GetEnv = getEnv;
  table.AttachCurrentThreadAsDaemon = attachCurrentThreadAsDaemon;
}

}  // namespace

TESTfakeJniPrivate::TESTfakeJniPrivate(TESTfakeJni* owner) : owner(owner), envTable(), envObject(), vmTable(), vmObject() {
  fillEnvTable(envTable);
  envTable.reserved0 = this;
  envObject.functions = &envTable;
  fillVmTable(vmTable);
  vmTable.reserved0 = this;
  vmObject.functions = &vmTable;
  attached.insert(std::this_thread::get_id());

  defineClass("java/lang/Object", "");
  defineClass("java/lang/Class", "java/lang/Object");
  defineClass("java/lang/String", "java/lang/Object");
  defineClass("java/lang/Throwable", "java/lang/Object");
  defineClass("java/lang/Exception", "java/lang/Throwable");
  defineClass("java/lang/RuntimeException", "java/lang/Exception");
  defineClass("java/lang/IllegalStateException", "java/lang/RuntimeException");
  defineClass("java/lang/Error", "java/lang/Throwable");
  defineClass("java/lang/LinkageError", "java/lang/Error");
  defineClass("java/lang/NoClassDefFoundError", "java/lang/LinkageError");
  defineClass("java/lang/IncompatibleClassChangeError", "java/lang/LinkageError");
  defineClass("java/lang/NoSuchMethodError", "java/lang/IncompatibleClassChangeError");
  defineClass("java/lang/VirtualMachineError", "java/lang/Error");
  defineClass("java/lang/OutOfMemoryError", "java/lang/VirtualMachineError");
  defineClass("java/lang/StackOverflowError", "java/lang/VirtualMachineError");
}

TESTfakeJni::TESTfakeJni() : pMember(new TESTfakeJniPrivate(this)) {
  defineHandleClass("java/util/Date");
  defineMethod("java/util/Date", "getTime", "()J", [this](jobject self, const std::vector<jvalue>&) {
    jvalue result{};
    result.j = valueOf(self);
    return result;
  });
  defineMethod("java/util/Date", "setTime", "(J)V", [](jobject self, const std::vector<jvalue>& args) {
    objectOf(self)->value = args[0].j;
    return jvalue{};
  });
}

TESTfakeJni::~TESTfakeJni() { delete pMember; }

JNIEnv* TESTfakeJni::env() { return &pMember->envObject; }
JavaVM* TESTfakeJni::vm() { return &pMember->vmObject; }

void TESTfakeJni::setSystemProperty(const std::string& key, const std::u16string& value) {
  if (pMember->properties.empty()) {
    defineClass("java/lang/System");
    defineMethod("java/lang/System", "getProperty", "(Ljava/lang/String;)Ljava/lang/String;",
                 [this](jobject, const std::vector<jvalue>& args) {
                   jvalue result{};
                   auto found = pMember->properties.find(textOf(args[0].l));
                   if (found != pMember->properties.end()) result.l = newString(found->second);
                   return result;
                 });
  }
  pMember->properties[std::u16string(key.begin(), key.end())] = value;
}

jclass TESTfakeJni::defineClass(const std::string& name, const std::string& superName) {
  std::lock_guard<std::recursive_mutex> hold(pMember->lock);
  return static_cast<jclass>(handleOf(pMember->defineClass(name, superName)->object));
}

jmethodID TESTfakeJni::defineMethod(const std::string& className, const std::string& name,
                                    const std::string& signature, Method body) {
  std::lock_guard<std::recursive_mutex> hold(pMember->lock);
  FakeClass* type = pMember->findClass(className);
  if (type == nullptr) type = pMember->defineClass(className, "java/lang/Object");
  auto& slot = type->methods[name + signature];
  slot = std::make_unique<FakeMethod>(FakeMethod{type, name, signature, std::move(body)});
  return methodHandleOf(slot.get());
}

jclass TESTfakeJni::defineHandleClass(const std::string& name, const std::string& superName) {
  jclass type = defineClass(name, superName);
  defineMethod(name, "<init>", "(J)V", [](jobject self, const std::vector<jvalue>& args) {
    objectOf(self)->value = args[0].j;
    return jvalue{};
  });
  defineMethod(name, "<init>", "(Ljava/lang/String;)V", [](jobject self, const std::vector<jvalue>& args) {
    if (args[0].l != nullptr) objectOf(self)->message = modifiedUtf8(objectOf(args[0].l)->text);
    return jvalue{};
  });
  return type;
}

void TESTfakeJni::removeMethod(const std::string& className, const std::string& name, const std::string& signature) {
  std::lock_guard<std::recursive_mutex> hold(pMember->lock);
  if (FakeClass* type = pMember->findClass(className)) type->methods.erase(name + signature);
}

void TESTfakeJni::removeClass(const std::string& name) {
  std::lock_guard<std::recursive_mutex> hold(pMember->lock);
  auto found = pMember->classes.find(name);
  if (found == pMember->classes.end()) return;
  pMember->removed.push_back(std::move(found->second));
  pMember->classes.erase(found);
}

void TESTfakeJni::unloadClass(const std::string& name) {
  std::lock_guard<std::recursive_mutex> hold(pMember->lock);
  auto found = pMember->classes.find(name);
  if (found == pMember->classes.end()) return;
  found->second->object->collected = true;
  removeClass(name);
}

jobject TESTfakeJni::newObject(const std::string& className, jlong value) {
  std::lock_guard<std::recursive_mutex> hold(pMember->lock);
  FakeClass* type = pMember->findClass(className);
  if (type == nullptr) type = pMember->defineClass(className, "java/lang/Object");
  FakeObject* object = pMember->make(type);
  object->value = value;
  return handleOf(object);
}

jstring TESTfakeJni::newString(const std::u16string& text) {
  std::lock_guard<std::recursive_mutex> hold(pMember->lock);
  FakeObject* object = pMember->make(pMember->findClass("java/lang/String"));
  object->text = text;
  return static_cast<jstring>(handleOf(object));
}

std::u16string TESTfakeJni::textOf(jobject string) const { return objectOf(string)->text; }

std::string TESTfakeJni::classNameOf(jobject object) const {
  if (object == nullptr) return "<null>";
  FakeObject* self = objectOf(object);
  return self->classValue != nullptr ? "java/lang/Class" : self->type->name;
}

jlong TESTfakeJni::valueOf(jobject object) const { return objectOf(object)->value; }
std::string TESTfakeJni::messageOf(jobject throwable) const { return objectOf(throwable)->message; }

jthrowable TESTfakeJni::pending() const {
  std::lock_guard<std::recursive_mutex> hold(pMember->lock);
  return static_cast<jthrowable>(handleOf(pMember->pending));
}

void TESTfakeJni::throwPending(const std::string& className, const std::string& message) {
  std::lock_guard<std::recursive_mutex> hold(pMember->lock);
  if (pMember->findClass(className) == nullptr) pMember->defineClass(className, "java/lang/RuntimeException");
  pMember->throwNew(className, message);
}

void TESTfakeJni::clearPending() {
  std::lock_guard<std::recursive_mutex> hold(pMember->lock);
  pMember->pending = nullptr;
}

int TESTfakeJni::calls(const std::string& entry) const {
  std::lock_guard<std::recursive_mutex> hold(pMember->lock);
  auto found = pMember->calls.find(entry);
  return found == pMember->calls.end() ? 0 : found->second;
}

const std::vector<std::string>& TESTfakeJni::violations() const { return pMember->violations; }
const std::vector<std::string>& TESTfakeJni::fatalErrors() const { return pMember->fatalErrors; }

std::vector<jint> TESTfakeJni::pushedCapacities() const {
  std::lock_guard<std::recursive_mutex> hold(pMember->lock);
  return pMember->pushedCapacities;
}

int TESTfakeJni::openFrames() const {
  std::lock_guard<std::recursive_mutex> hold(pMember->lock);
  return static_cast<int>(pMember->frames.size()) - 1;
}

int TESTfakeJni::localReferences() const {
  std::lock_guard<std::recursive_mutex> hold(pMember->lock);
  size_t count = 0;
  for (const auto& frame : pMember->frames) count += frame.size();
  return static_cast<int>(count);
}

int TESTfakeJni::globalReferences() const {
  std::lock_guard<std::recursive_mutex> hold(pMember->lock);
  return static_cast<int>(pMember->globals.size());
}

int TESTfakeJni::weakGlobalReferences() const {
  std::lock_guard<std::recursive_mutex> hold(pMember->lock);
  return static_cast<int>(pMember->weakGlobals.size());
}

int TESTfakeJni::borrowedChars() const {
  std::lock_guard<std::recursive_mutex> hold(pMember->lock);
  return static_cast<int>(pMember->borrowed.size());
}

bool TESTfakeJni::currentThreadAttached() const {
  std::lock_guard<std::recursive_mutex> hold(pMember->lock);
  return pMember->attached.count(std::this_thread::get_id()) != 0;
}
