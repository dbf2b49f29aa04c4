// tlm_java driven through the fake JNI environment, by the natives' exported names: every
// native of the table is there, one native of each pattern takes its road, and a callback
// from a new native thread keeps each failure on its side (the roads a real JVM cannot be
// made to take, and in the Windows build, which has no JVM, the whole of it under Wine).
#include "standins/TLM/TLMstandin.h"
#include "tests/plugin_bridgeLoader/TESTnatives.h"
#include "tests/support/TESTfakeJni.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <map>
#include <new>
#include <string>
#include <vector>

namespace {

#define PACKAGE "com/olvenmark/tollmere/plugin/"
const std::string Outputs = PACKAGE "DestinationMessageReceivedEventOutputs";
const std::string Inputs = PACKAGE "DestinationMessageReceivedEventInputs";
const std::string DestinationClass = PACKAGE "Destination";
const std::string MessageReceivedSignature =
    "(L" PACKAGE "DestinationMessageReceivedEventInputs;L" PACKAGE
    "DestinationMessageReceivedEventOutputs;)V";

// The signatures of the patterns driven here.
typedef jlong(JNICALL* CreateNative)(JNIEnv*, jclass);
typedef void(JNICALL* HandleNative)(JNIEnv*, jclass, jlong);
typedef jboolean(JNICALL* BoolGetterNative)(JNIEnv*, jclass, jlong);
typedef void(JNICALL* BoolSetterNative)(JNIEnv*, jclass, jlong, jboolean);
typedef jint(JNICALL* IntGetterNative)(JNIEnv*, jclass, jlong);
typedef void(JNICALL* IntSetterNative)(JNIEnv*, jclass, jlong, jint);
typedef jstring(JNICALL* TextGetterNative)(JNIEnv*, jclass, jlong);
typedef void(JNICALL* TextSetterNative)(JNIEnv*, jclass, jlong, jstring);
typedef void(JNICALL* DateSetterNative)(JNIEnv*, jclass, jlong, jobject);
typedef jlong(JNICALL* AddListenerNative)(JNIEnv*, jobject, jlong);
typedef void(JNICALL* ListenerReleaseNative)(JNIEnv*, jclass, jlong, jlong);

template <typename Native>
Native native(const std::string& javaClass, const std::string& method) {
  void* address = TESTnative(("Java_com_olvenmark_tollmere_plugin_" + javaClass + "_" + method).c_str());
  EXPECT_NE(nullptr, address) << javaClass << "." << method;
  return reinterpret_cast<Native>(address);
}

std::string hex(const void* handle) {
  char buffer[32];
  snprintf(buffer, sizeof buffer, "0x%llx",
           static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(handle)));
  return buffer;
}

TLMhandle handleOf(jlong value) { return reinterpret_cast<TLMhandle>(static_cast<intptr_t>(value)); }

std::string lastJournalEntry() {
  char buffer[512];
  TLMstandinJournalEntry(TLMstandinJournalCount() - 1, buffer, sizeof buffer);
  return buffer;
}

std::string eventRecord(int index) {
  char buffer[1024];
  TLMstandinEventRecord(index, buffer, sizeof buffer);
  return buffer;
}

// One environment for the whole program: Destination keeps the JavaVM of its first Create.
struct Environment {
  TESTfakeJni fake;
  std::vector<std::string> constructed;  // "Outputs 0x..." / "Inputs 0x..." in order made
  std::map<jobject, jlong> handles;      // wrapper object -> the handle it was made with

  Environment() {
    fake.defineHandleClass(PACKAGE "PluginException", "java/lang/Exception");
    defineEventClasses();
    fake.defineClass(DestinationClass);
  }

  // The event classes, as a (new) class loader brings them.
  void defineEventClasses() {
    for (const std::string* name : {&Outputs, &Inputs}) {
      std::string label = name == &Outputs ? "Outputs " : "Inputs ";
      fake.defineClass(*name);
      fake.defineMethod(*name, "<init>", "(J)V",
                        [this, label](jobject self, const std::vector<jvalue>& args) {
                          constructed.push_back(label + hex(handleOf(args[0].j)));
                          handles[self] = args[0].j;
                          return jvalue{};
                        });
    }
  }
};

Environment& environment() {
  static Environment* shared = new Environment;
  return *shared;
}

TEST(TLMjavaFakeJni, EveryNativeOfTheTableIsExported) {
  int found = 0;
#define TLM_NATIVE(Class, Method, Function, Shape, A, B)                                        \
  EXPECT_NE(nullptr, TESTnative("Java_com_olvenmark_tollmere_plugin_" #Class "_" #Method)) \
      << #Class "." #Method;                                                                    \
  found += TESTnative("Java_com_olvenmark_tollmere_plugin_" #Class "_" #Method) ? 1 : 0;
#include "contracts/TLMnatives.def"
#undef TLM_NATIVE
  EXPECT_EQ(157, found);
}

TEST(TLMjavaFakeJni, OneNativeOfEachPatternTakesItsRoad) {
  TESTfakeJni& fake = environment().fake;
  JNIEnv* env = fake.env();
  const std::string outputs = "DestinationMessageReceivedEventOutputs";
  const std::string stem = "TLMdestinationMessageReceivedEventOutputs";
  TLMstandinReset();

  jlong h = native<CreateNative>(outputs, stem + "Create")(env, nullptr);
  ASSERT_NE(0, h);
  EXPECT_EQ(stem + "Create &", lastJournalEntry());
  native<HandleNative>(outputs, stem + "AddRef")(env, nullptr, h);
  EXPECT_EQ(2, TLMstandinRefCount(handleOf(h)));

  native<BoolSetterNative>(outputs, stem + "SetMessageProcessedFlag")(env, nullptr, h, 2);
  EXPECT_EQ(stem + "SetMessageProcessedFlag " + hex(handleOf(h)) + " 1", lastJournalEntry());
  EXPECT_EQ(JNI_TRUE, native<BoolGetterNative>(outputs, stem + "GetMessageProcessedFlag")(env, nullptr, h));
  native<IntSetterNative>(outputs, stem + "SetResendMessageDelay")(env, nullptr, h, -42);
  EXPECT_EQ(-42, native<IntGetterNative>(outputs, stem + "GetResendMessageDelay")(env, nullptr, h));

  const std::u16string text = u"Gr\u00fc\u00dfe \U0001F600";
  native<TextSetterNative>(outputs, stem + "SetStopChannelReason")(env, nullptr, h, fake.newString(text));
  EXPECT_EQ(stem + "SetStopChannelReason " + hex(handleOf(h)) + " \"4772c3bcc39f6520f09f9880\"",
            lastJournalEntry());
  jstring back = native<TextGetterNative>(outputs, stem + "GetStopChannelReason")(env, nullptr, h);
  ASSERT_NE(nullptr, back);
  EXPECT_EQ(text, fake.textOf(back));
  EXPECT_EQ(nullptr, fake.pending());

  // An error object from the library becomes the exception object, unreleased.
  TLMstandinInjectError((stem + "GetResendMessageDelay").c_str(), "no delay");
  EXPECT_EQ(0, native<IntGetterNative>(outputs, stem + "GetResendMessageDelay")(env, nullptr, h));
  ASSERT_NE(nullptr, fake.pending());
  EXPECT_EQ(PACKAGE "PluginException", fake.classNameOf(fake.pending()));
  TLMhandle error = handleOf(fake.valueOf(fake.pending()));
  EXPECT_EQ(1, TLMstandinRefCount(error));
  TLMexceptionRelease(error);
  fake.clearPending();

  // A JVM out of memory cannot make that object: its OutOfMemoryError is what Java gets,
  // the JVM goes on, and the error object goes back to the library.
  int errors = TLMstandinLiveCount("exception");
  TLMstandinInjectError((stem + "GetResendMessageDelay").c_str(), "no delay");
  fake.faults.newObjectFails = true;
  EXPECT_EQ(0, native<IntGetterNative>(outputs, stem + "GetResendMessageDelay")(env, nullptr, h));
  fake.faults.newObjectFails = false;
  EXPECT_EQ("java/lang/OutOfMemoryError", fake.classNameOf(fake.pending()));
  EXPECT_EQ(std::vector<std::string>{}, fake.fatalErrors());
  EXPECT_EQ(errors, TLMstandinLiveCount("exception"));
  fake.clearPending();

  int calls = TLMstandinJournalCount();
  native<TextSetterNative>(outputs, stem + "AddWarningLogMessage")(env, nullptr, h, nullptr);
  ASSERT_NE(nullptr, fake.pending());
  EXPECT_EQ("The string variable WarningLogMessage in method AddWarningLogMessage cannot be null.",
            fake.messageOf(fake.pending()));
  EXPECT_EQ(calls, TLMstandinJournalCount()) << "the library was called";
  fake.clearPending();

  native<HandleNative>(outputs, stem + "Release")(env, nullptr, h);
  native<HandleNative>(outputs, stem + "Release")(env, nullptr, h);
  EXPECT_EQ(-1, TLMstandinRefCount(handleOf(h)));
  EXPECT_EQ(0, fake.openFrames());
  EXPECT_EQ(std::vector<std::string>{}, fake.violations());
}

TEST(TLMjavaFakeJni, AnyExceptionInANativeBecomesAPluginException) {
  TESTfakeJni& fake = environment().fake;
  JNIEnv* env = fake.env();
  fake.defineClass("test/BadDate", "java/util/Date");
  fake.defineMethod("test/BadDate", "getTime", "()J",
                    [](jobject, const std::vector<jvalue>&) -> jvalue { throw std::bad_alloc(); });
  jlong query = native<CreateNative>("LogQuery", "TLMlogQueryCreate")(env, nullptr);
  int calls = TLMstandinJournalCount();
  native<DateSetterNative>("LogQuery", "TLMlogQuerySetAfter")(env, nullptr, query,
                                                            fake.newObject("test/BadDate"));
  ASSERT_NE(nullptr, fake.pending());
  EXPECT_EQ(PACKAGE "PluginException", fake.classNameOf(fake.pending()));
  EXPECT_EQ("Unhandled exception", fake.messageOf(fake.pending()));
  EXPECT_EQ(calls, TLMstandinJournalCount());
  fake.clearPending();
  native<HandleNative>("LogQuery", "TLMlogQueryRelease")(env, nullptr, query);
  EXPECT_EQ(0, fake.openFrames());
  EXPECT_EQ(std::vector<std::string>{}, fake.violations());
}

TEST(TLMjavaFakeJni, HandlesAndReferencesHaveOneOwner) {
  TESTfakeJni& fake = environment().fake;
  JNIEnv* env = fake.env();
  typedef jobject(JNICALL * ObjectGetterNative)(JNIEnv*, jclass, jlong);
  jlong destination = native<CreateNative>("Destination", "TLMdestinationCreate")(env, nullptr);

  // No DisconnectReason class here: the reason handed out goes back to the library.
  TLMhandle reason = nullptr;
  ASSERT_EQ(nullptr, TLMdisconnectReasonCreate(&reason));
  TLMstandinSetObject(handleOf(destination), "DisconnectReason", reason);
  EXPECT_EQ(2, TLMstandinRefCount(reason));
  EXPECT_EQ(nullptr, native<ObjectGetterNative>("Destination", "TLMdestinationGetDisconnectReason")(
                         env, nullptr, destination));
  ASSERT_NE(nullptr, fake.pending());
  EXPECT_EQ("java/lang/NoClassDefFoundError", fake.classNameOf(fake.pending()));
  EXPECT_EQ(2, TLMstandinRefCount(reason));
  fake.clearPending();
  TLMdisconnectReasonRelease(reason);

  // A Release retried after the object's release failed deletes the reference once.
  int globals = fake.globalReferences();
  jlong listener = native<AddListenerNative>("Destination", "TLMdestinationAddListener")(
      env, fake.newObject(DestinationClass), destination);
  EXPECT_EQ(globals + 1, fake.globalReferences());
  TLMstandinInjectError("TLMdestinationRelease", "not now");
  auto release = native<ListenerReleaseNative>("Destination", "TLMdestinationRelease");
  release(env, nullptr, destination, listener);
  ASSERT_NE(nullptr, fake.pending());
  TLMexceptionRelease(handleOf(fake.valueOf(fake.pending())));
  fake.clearPending();
  EXPECT_EQ(globals, fake.globalReferences());
  int calls = TLMstandinJournalCount();
  release(env, nullptr, destination, listener);
  EXPECT_EQ(nullptr, fake.pending());
  ASSERT_EQ(calls + 1, TLMstandinJournalCount());
  char entry[128];
  TLMstandinJournalEntry(calls, entry, sizeof entry);
  EXPECT_EQ("TLMdestinationRelease " + hex(handleOf(destination)), std::string(entry))
      << "the retry goes straight to the object: the library let the listener go already";
  EXPECT_EQ(-1, TLMstandinRefCount(handleOf(destination)));
  EXPECT_EQ(globals, fake.globalReferences());
  EXPECT_EQ(std::vector<std::string>{}, fake.violations());
}

// The JVM hands a deleted global reference's value out again (here the same object twice,
// whose references the fake makes alike): A's listener reference, deleted by a Release
// whose release of A failed, comes back as B's. The host's retry of A's Release must
// touch only A's listener, and B's events keep reaching B's.
TEST(TLMjavaFakeJni, ARetriedReleaseTouchesOnlyItsOwnObjectsListener) {
  struct Endpoint {
    const char* Class;
    const char* Stem;
    int Disconnected;
  };
  const Endpoint endpoints[] = {{"Destination", "TLMdestination", TLM_STANDIN_DESTINATION_DISCONNECTED},
                                {"Source", "TLMsource", TLM_STANDIN_SOURCE_DISCONNECTED}};
  Environment& shared = environment();
  TESTfakeJni& fake = shared.fake;
  JNIEnv* env = fake.env();
  for (const Endpoint& endpoint : endpoints) {
    SCOPED_TRACE(endpoint.Class);
    TLMstandinReset();
    const std::string listenerClass = std::string(PACKAGE) + endpoint.Class;
    if (listenerClass != DestinationClass) fake.defineClass(listenerClass);
    int heard = 0;
    fake.defineMethod(listenerClass, "disconnected", "()V", [&](jobject, const std::vector<jvalue>&) {
      ++heard;
      return jvalue{};
    });
    const std::string stem = endpoint.Stem;
    auto create = native<CreateNative>(endpoint.Class, stem + "Create");
    auto add = native<AddListenerNative>(endpoint.Class, stem + "AddListener");
    auto release = native<ListenerReleaseNative>(endpoint.Class, stem + "Release");
    jobject self = fake.newObject(listenerClass);
    int globals = fake.globalReferences();

    jlong a = create(env, nullptr);
    jlong listenerOfA = add(env, self, a);
    TLMstandinInjectError((stem + "Release").c_str(), "not now");
    release(env, nullptr, a, listenerOfA);
    ASSERT_NE(nullptr, fake.pending());
    TLMexceptionRelease(handleOf(fake.valueOf(fake.pending())));
    fake.clearPending();
    ASSERT_EQ(globals, fake.globalReferences()) << "A's listener reference deleted";

    jlong b = create(env, nullptr);
    jlong listenerOfB = add(env, self, b);
    ASSERT_EQ(globals + 1, fake.globalReferences());
    EXPECT_NE(listenerOfA, listenerOfB) << "A's long names B's listener";

    release(env, nullptr, a, listenerOfA);  // the host's retry
    EXPECT_EQ(nullptr, fake.pending());
    EXPECT_EQ(-1, TLMstandinRefCount(handleOf(a))) << "A given back";
    EXPECT_EQ(globals + 1, fake.globalReferences()) << "B's listener reference deleted by A's retry";
    EXPECT_EQ(1, TLMstandinFire(endpoint.Disconnected, handleOf(b), TLM_STANDIN_NEW_THREAD, 1, 1));
    EXPECT_EQ(1, heard) << "B's event reached B's listener";

    release(env, nullptr, b, listenerOfB);
    EXPECT_EQ(nullptr, fake.pending());
    EXPECT_EQ(globals, fake.globalReferences());
    EXPECT_EQ(std::vector<std::string>{}, fake.violations());
    fake.defineMethod(listenerClass, "disconnected", "()V");
  }
}

// What the listener does, and what the callback must make of it.
enum class Listener { Answers, ThrowsJava, MissingMethod, ThrowsCpp, AttachFails, FrameFails, ChildLoader };

struct CallbackRow {
  const char* What;
  Listener Behaviour;
  int Calls;      // listener method calls
  int Attaches;   // attaches that worked, each to be undone by one detach
  int Described;  // Java exceptions described and cleared
};

TEST(TLMjavaFakeJni, ACallbackFromANewThreadKeepsEveryFailureOnItsSide) {
  const CallbackRow rows[] = {
      {"the listener answers", Listener::Answers, 1, 1, 0},
      {"the listener throws", Listener::ThrowsJava, 1, 1, 1},
      {"the listener has no such method", Listener::MissingMethod, 0, 1, 1},
      {"the listener throws a C++ exception", Listener::ThrowsCpp, 1, 1, 0},
      {"the thread cannot be attached", Listener::AttachFails, 0, 0, 0},
      {"no frame can be pushed", Listener::FrameFails, 0, 1, 1},
      {"the classes come from a child class loader", Listener::ChildLoader, 1, 1, 0},
  };
  Environment& shared = environment();
  TESTfakeJni& fake = shared.fake;
  JNIEnv* env = fake.env();
  for (const CallbackRow& row : rows) {
    SCOPED_TRACE(row.What);
    TLMstandinReset();
    shared.constructed.clear();
    std::vector<jlong> seen;  // the handles of (inputs, outputs) as the listener got them
    fake.defineMethod(DestinationClass, "messageReceived", MessageReceivedSignature,
                      [&](jobject, const std::vector<jvalue>& args) -> jvalue {
                        seen.push_back(shared.handles[args[0].l]);
                        seen.push_back(shared.handles[args[1].l]);
                        if (row.Behaviour == Listener::ThrowsJava) {
                          fake.throwPending("java/lang/IllegalStateException", "refused");
                        }
                        if (row.Behaviour == Listener::ThrowsCpp) throw std::bad_alloc();
                        return jvalue{};
                      });
    if (row.Behaviour == Listener::MissingMethod) {
      fake.removeMethod(DestinationClass, "messageReceived", MessageReceivedSignature);
    }
    jlong destination = native<CreateNative>("Destination", "TLMdestinationCreate")(env, nullptr);
    jobject self = fake.newObject(DestinationClass);
    jlong listener =
        native<AddListenerNative>("Destination", "TLMdestinationAddListener")(env, self, destination);
    ASSERT_NE(0, listener);
    int globals = fake.globalReferences();
    int attached = fake.calls("AttachCurrentThread");
    int detached = fake.calls("DetachCurrentThread");
    int described = fake.calls("ExceptionDescribe");
    fake.faults.attachOverridden = row.Behaviour == Listener::AttachFails;
    fake.faults.attachResult = JNI_ERR;
    fake.faults.pushLocalFrameFailsFrom = row.Behaviour == Listener::FrameFails ? 16 : -1;
    fake.faults.classesOfAChildLoader = row.Behaviour == Listener::ChildLoader;

    EXPECT_EQ(1, TLMstandinFire(TLM_STANDIN_DESTINATION_MESSAGE_RECEIVED, handleOf(destination),
                                TLM_STANDIN_NEW_THREAD, 1, 1));
    fake.faults = TESTfakeJni::Faults();

    std::string record = eventRecord(0);
    EXPECT_NE(std::string::npos, record.find(" result=0x0 ")) << record;
    EXPECT_EQ(1, fake.calls("AttachCurrentThread") - attached) << "the new thread is attached once";
    EXPECT_EQ(row.Attaches, fake.calls("DetachCurrentThread") - detached);
    EXPECT_EQ(row.Described, fake.calls("ExceptionDescribe") - described);
    ASSERT_EQ(static_cast<std::size_t>(2 * row.Calls), seen.size());
    if (row.Calls) {
      std::size_t inputsAt = record.find("inputs=");
      std::string inputs = record.substr(inputsAt + 7, record.find(' ', inputsAt) - inputsAt - 7);
      std::size_t outputsAt = record.find("outputs=");
      std::string outputs = record.substr(outputsAt + 8, record.find(' ', outputsAt) - outputsAt - 8);
      EXPECT_EQ((std::vector<std::string>{"Outputs " + outputs, "Inputs " + inputs}), shared.constructed);
      EXPECT_EQ(inputs, hex(handleOf(seen[0])));
      EXPECT_EQ(outputs, hex(handleOf(seen[1])));
    }
    EXPECT_EQ(nullptr, fake.pending());
    EXPECT_EQ(0, fake.openFrames());
    EXPECT_EQ(std::vector<std::string>{}, fake.violations());

    native<ListenerReleaseNative>("Destination", "TLMdestinationRelease")(env, nullptr, destination,
                                                                          listener);
    EXPECT_EQ(nullptr, fake.pending());
    EXPECT_EQ(globals - 1, fake.globalReferences());
    EXPECT_EQ(-1, TLMstandinRefCount(handleOf(destination)));
  }
  fake.defineMethod(DestinationClass, "messageReceived", MessageReceivedSignature);
}

// A host dropped the plug-in's loader, which took the event classes with it, and loaded
// the plug-in again through a new loader: the next Create finds the new loader's classes,
// and the events reach the listener with objects of those.
TEST(TLMjavaFakeJni, TheNextCreateFindsTheEventClassesOfANewLoader) {
  Environment& shared = environment();
  TESTfakeJni& fake = shared.fake;
  JNIEnv* env = fake.env();
  auto release = native<ListenerReleaseNative>("Destination", "TLMdestinationRelease");
  release(env, nullptr, native<CreateNative>("Destination", "TLMdestinationCreate")(env, nullptr), 0);
  fake.unloadClass(Outputs);
  fake.unloadClass(Inputs);
  shared.defineEventClasses();
  jclass inputsClass = env->FindClass(Inputs.c_str());
  jclass outputsClass = env->FindClass(Outputs.c_str());
  int newInputs = 0;
  int newOutputs = 0;
  fake.defineMethod(DestinationClass, "messageReceived", MessageReceivedSignature,
                    [&](jobject, const std::vector<jvalue>& args) -> jvalue {
                      newInputs += fake.env()->IsInstanceOf(args[0].l, inputsClass) ? 1 : 0;
                      newOutputs += fake.env()->IsInstanceOf(args[1].l, outputsClass) ? 1 : 0;
                      return jvalue{};
                    });

  jlong destination = native<CreateNative>("Destination", "TLMdestinationCreate")(env, nullptr);
  jlong listener = native<AddListenerNative>("Destination", "TLMdestinationAddListener")(
      env, fake.newObject(DestinationClass), destination);
  EXPECT_EQ(1, TLMstandinFire(TLM_STANDIN_DESTINATION_MESSAGE_RECEIVED, handleOf(destination),
                              TLM_STANDIN_NEW_THREAD, 1, 1));
  EXPECT_EQ(1, newInputs) << "the inputs are of the new loader's class";
  EXPECT_EQ(1, newOutputs) << "the outputs are of the new loader's class";
  release(env, nullptr, destination, listener);
  EXPECT_EQ(nullptr, fake.pending());
  EXPECT_EQ(0, fake.globalReferences()) << "no class is held strongly";
  EXPECT_EQ(std::vector<std::string>{}, fake.violations());
  fake.defineMethod(DestinationClass, "messageReceived", MessageReceivedSignature);
}

}  // namespace
