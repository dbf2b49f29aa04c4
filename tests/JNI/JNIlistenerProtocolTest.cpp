// The listener protocol as both bridges follow it, through their natives in the fake JNI
// environment (so also in the Windows build, under Wine): tlm_java and vrn_java loaded by
// path as a JVM loads them, over the stand-ins, which the program loads first and reaches
// by name. One row per class with a listener: Destination, Source, Engine, LlpServer and
// LlpClient.
#include "COL/COLdll.h"
#include "contracts/VRNlibraryContract.h"
#include "platform/PLATwindows.h"
#include "standins/TLM/TLMstandin.h"
#include "standins/sockmod2/SOCKstandinControl.h"
#include "standins/vrn_core/VRNstandinControl.h"
#include "tests/support/TESTchild.h"
#include "tests/support/TESTfakeJni.h"
#include "tests/support/TESTprocess.h"
#include "tests/support/TESTsupport.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#if defined(TLM_JAVA_LIBRARY) && defined(VRN_JAVA_LIBRARY)

namespace {

#define TLM_PACKAGE "com/olvenmark/tollmere/plugin/"
#define VRN_PACKAGE "com/olvenmark/varnel/"

typedef jlong(JNICALL* CreateNative)(JNIEnv*, jobject);
typedef jlong(JNICALL* AddListenerNative)(JNIEnv*, jobject, jlong);
typedef void(JNICALL* ReleaseNative)(JNIEnv*, jobject, jlong, jlong);

COLstring pathOf(const char* built) { return COLstring(TESTbuildPath(built).c_str()); }

template <typename Function>
Function procOf(const COLdll& library, const char* name) {
  return reinterpret_cast<Function>(library.getProc(name));
}
#define STANDIN(library, name) procOf<decltype(&name)>(library, #name)

// The libraries of one process: the stand-ins first, so that they (and the objects they
// hold) stay when a bridge is unloaded; then both bridges.
struct Libraries {
  COLdll tlm{pathOf(TLM_STANDIN_LIBRARY), true};
  COLdll vrnCore{pathOf(VRN_CORE_LIBRARY), true};
  COLdll sockmod2{pathOf(SOCKMOD2_LIBRARY), true};
  COLdll tlmJava{pathOf(TLM_JAVA_LIBRARY), true};
  COLdll vrnJava{pathOf(VRN_JAVA_LIBRARY), true};
};

// The fake JVM and the Java classes the natives meet. Every listener method counts what it
// hears, by the object it is called on (each listener object carries its own number).
class Host {
public:
  TESTfakeJni fake;
  Libraries libraries;
  std::vector<jlong> heard;  // the numbers of the listeners called, in order
  std::vector<std::string> lines;

  Host() {
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0) ADD_FAILURE() << "WSAStartup";
    fake.defineHandleClass(TLM_PACKAGE "PluginException", "java/lang/Exception");
    fake.defineHandleClass(VRN_PACKAGE "VarnelException", "java/lang/RuntimeException");
    fake.setSystemProperty("java.version", u"1.7.0_80");  // one that vrn_java accepts
    const char* const listeners[][3] = {
        {TLM_PACKAGE "Destination", "disconnected", "()V"},
        {TLM_PACKAGE "Source", "disconnected", "()V"},
        {VRN_PACKAGE "Engine", "log", "(Ljava/lang/String;)V"},
        {VRN_PACKAGE "LlpServer", "errorReceived", "(Ljava/lang/String;I)V"},
        {VRN_PACKAGE "LlpClient", "connected", "()V"},
    };
    for (const auto& listener : listeners) {
      fake.defineClass(listener[0]);
      fake.defineMethod(listener[0], listener[1], listener[2], [this](jobject self, const std::vector<jvalue>& args) {
        heard.push_back(fake.valueOf(self));
        if (!args.empty() && args[0].l != nullptr) {
          std::u16string text = fake.textOf(args[0].l);
          lines.push_back(std::string(text.begin(), text.end()));
        }
        return jvalue{};
      });
    }
  }

  // What the stand-ins were asked since their last reset, counted across all three.
  int libraryCalls() const {
    return STANDIN(libraries.tlm, TLMstandinJournalCount)() + linesOf(STANDIN(libraries.vrnCore, VRNstandinJournal)()) +
           linesOf(STANDIN(libraries.sockmod2, SOCKstandinJournal)());
  }
  void resetJournals() const {
    STANDIN(libraries.tlm, TLMstandinReset)();
    STANDIN(libraries.vrnCore, VRNstandinReset)();
    STANDIN(libraries.sockmod2, SOCKstandinReset)();
  }
  // Gives back the error a pending exception carries, and clears it.
  void dropPending() {
    jthrowable thrown = fake.pending();
    if (thrown == nullptr) return;
    void* error = reinterpret_cast<void*>(static_cast<intptr_t>(fake.valueOf(thrown)));
    if (error != nullptr) {
      if (fake.classNameOf(thrown) == TLM_PACKAGE "PluginException") {
        STANDIN(libraries.tlm, TLMexceptionRelease)(error);
      } else {
        STANDIN(libraries.vrnCore, VRNerrorRelease)(error);
      }
    }
    fake.clearPending();
  }

private:
  static int linesOf(const char* journal) {
    int count = 0;
    for (const char* at = journal; *at != '\0'; ++at) count += *at == '\n' ? 1 : 0;
    return count + (*journal != '\0' && journal[strlen(journal) - 1] != '\n' ? 1 : 0);
  }
};

Host& host() {
  static Host* shared = new Host;
  return *shared;
}

void* handleOf(jlong value) { return reinterpret_cast<void*>(static_cast<intptr_t>(value)); }

// A class with a listener, as its natives and the stand-in behind them show it.
struct ListenerClass {
  const char* Name;
  std::string JavaClass;
  std::string Prefix;  // of the natives' exported names
  const char* Create;
  const char* AddListener;
  const char* Release;
  const char* Exception;
  std::function<int()> Live;               // the stand-in's objects of the class
  std::function<void(jlong)> AddRef;       // through the stand-in
  std::function<void(jlong)> Raise;        // one event (one log line) on the caller's thread
  std::function<int(jlong)> Registered;    // listeners the library holds for the object, -1 unknown

  template <typename Native>
  Native native(const char* method) const {
    return procOf<Native>(method[0] == 'T' ? host().libraries.tlmJava : host().libraries.vrnJava,
                          (Prefix + method).c_str());
  }
  jlong create() const { return native<CreateNative>(Create)(host().fake.env(), nullptr); }
  jlong add(jobject self, jlong h) const { return native<AddListenerNative>(AddListener)(host().fake.env(), self, h); }
  void release(jlong h, jlong token) const { native<ReleaseNative>(Release)(host().fake.env(), nullptr, h, token); }
};

std::vector<ListenerClass> listenerClasses() {
  const Libraries& l = host().libraries;
  auto tlmFire = [&l](int event) {
    return [&l, event](jlong h) { STANDIN(l.tlm, TLMstandinFire)(event, handleOf(h), TLM_STANDIN_CALLER_THREAD, 1, 1); };
  };
  auto tlmListeners = [&l](jlong h) { return STANDIN(l.tlm, TLMstandinListenerCount)(handleOf(h)); };
  auto unknown = [](jlong) { return -1; };
  return {
      {"Destination", TLM_PACKAGE "Destination", "Java_com_olvenmark_tollmere_plugin_Destination_",
       "TLMdestinationCreate", "TLMdestinationAddListener", "TLMdestinationRelease", TLM_PACKAGE "PluginException",
       [&l] { return STANDIN(l.tlm, TLMstandinLiveCount)("destination"); },
       [&l](jlong h) { STANDIN(l.tlm, TLMdestinationAddRef)(handleOf(h)); }, tlmFire(TLM_STANDIN_DESTINATION_DISCONNECTED),
       tlmListeners},
      {"Source", TLM_PACKAGE "Source", "Java_com_olvenmark_tollmere_plugin_Source_", "TLMsourceCreate",
       "TLMsourceAddListener", "TLMsourceRelease", TLM_PACKAGE "PluginException",
       [&l] { return STANDIN(l.tlm, TLMstandinLiveCount)("source"); },
       [&l](jlong h) { STANDIN(l.tlm, TLMsourceAddRef)(handleOf(h)); }, tlmFire(TLM_STANDIN_SOURCE_DISCONNECTED),
       tlmListeners},
      {"Engine", VRN_PACKAGE "Engine", "Java_com_olvenmark_varnel_Engine_", "VRNengineCreate", "VRNengineAddListener",
       "VRNengineRelease", VRN_PACKAGE "VarnelException",
       [&l] { return STANDIN(l.vrnCore, VRNstandinLiveCount)("engine"); },
       [&l](jlong h) { STANDIN(l.vrnCore, VRNengineAddRef)(handleOf(h)); },
       [&l](jlong h) { STANDIN(l.vrnCore, VRNstandinLog)(handleOf(h), "a line"); }, unknown},
      {"LlpServer", VRN_PACKAGE "LlpServer", "Java_com_olvenmark_varnel_LlpServer_", "VRNlistenerCreate",
       "VRNlistenerAddListener", "VRNlistenerRelease", VRN_PACKAGE "VarnelException",
       [&l] { return STANDIN(l.sockmod2, SOCKstandinLiveCount)("listener"); },
       [&l](jlong h) { STANDIN(l.sockmod2, VRNlistenerAddRef)(handleOf(h)); },
       [&l](jlong h) {
         STANDIN(l.sockmod2, SOCKstandinListenerEvent)(handleOf(h), "listenerError", nullptr, "refused", 7, false);
       },
       unknown},
      {"LlpClient", VRN_PACKAGE "LlpClient", "Java_com_olvenmark_varnel_LlpClient_", "VRNclientCreate",
       "VRNclientAddListener", "VRNclientRelease", VRN_PACKAGE "VarnelException",
       [&l] { return STANDIN(l.sockmod2, SOCKstandinLiveCount)("client"); },
       [&l](jlong h) { STANDIN(l.sockmod2, VRNclientAddRef)(handleOf(h)); },
       [&l](jlong h) { STANDIN(l.sockmod2, SOCKstandinClientEvent)(handleOf(h), "connected", nullptr, 0, false); },
       unknown},
  };
}

class JNIlistenerProtocol : public ::testing::Test {
protected:
  void TearDown() override {
    host().dropPending();
    EXPECT_EQ(std::vector<std::string>{}, host().fake.violations());
    EXPECT_EQ(0, host().fake.openFrames());
  }
};

// Release with a token that is not the object's listener: refused with the bridge's
// exception naming the native, and nothing touched (no library call, no reference given
// back, the listener still hears its events); the owner's own Release then works.
TEST_F(JNIlistenerProtocol, ATokenThatIsNotTheObjectsListenerIsRefusedAndTouchesNothing) {
  Host& h = host();
  TESTfakeJni& fake = h.fake;
  const std::vector<ListenerClass> classes = listenerClasses();
  // A listener of each bridge for the rows that hand one bridge the other's token.
  jlong tlmObject = classes[0].create();
  jlong tlmToken = classes[0].add(fake.newObject(classes[0].JavaClass, 900), tlmObject);
  jlong vrnObject = classes[4].create();
  jlong vrnToken = classes[4].add(fake.newObject(classes[4].JavaClass, 901), vrnObject);
  ASSERT_NE(0, tlmToken);
  ASSERT_NE(0, vrnToken);
  enum Forged { Zero, MinusOne, Minimum, NeverIssued, Released, Another, OtherBridge, OwnHandle };
  const struct {
    Forged Token;
    const char* What;
  } tokens[] = {{Zero, "0"},
                {MinusOne, "-1"},
                {Minimum, "Long.MIN_VALUE"},
                {NeverIssued, "never issued"},
                {Released, "released already"},
                {Another, "another object's"},
                {OtherBridge, "the other bridge's"},
                {OwnHandle, "the object's own handle"}};
  int rows = 0;
  for (const ListenerClass& type : classes) {
    for (const auto& forged : tokens) {
      SCOPED_TRACE(std::string(type.Name) + ", " + forged.What);
      ++rows;
      jlong object = type.create();
      ASSERT_NE(0, object);
      jlong released = 0;
      if (forged.Token == Released) {
        // A listener of the same object, released by a Release that the object outlived.
        type.AddRef(object);
        released = type.add(fake.newObject(type.JavaClass, 1), object);
        type.release(object, released);
        ASSERT_EQ(nullptr, fake.pending());
      }
      jlong token = type.add(fake.newObject(type.JavaClass, 2), object);
      ASSERT_NE(0, token);
      jlong other = 0;
      jlong otherToken = 0;
      if (forged.Token == Another) {
        other = type.create();
        otherToken = type.add(fake.newObject(type.JavaClass, 3), other);
      }
      jlong bad = 0;
      switch (forged.Token) {
        case Zero: bad = 0; break;
        case MinusOne: bad = -1; break;
        case Minimum: bad = LLONG_MIN; break;
        case NeverIssued: bad = 0x4000000000003039LL; break;
        case Released: bad = released; break;
        case Another: bad = otherToken; break;
        case OtherBridge: bad = type.JavaClass.find("tollmere") != std::string::npos ? vrnToken : tlmToken; break;
        case OwnHandle: bad = object; break;
      }
      int live = type.Live();
      int globals = fake.globalReferences();
      int registered = type.Registered(object);
      h.resetJournals();

      type.release(object, bad);
      jthrowable thrown = fake.pending();
      ASSERT_NE(nullptr, thrown) << "not refused";
      EXPECT_EQ(type.Exception, fake.classNameOf(thrown));
      EXPECT_NE(std::string::npos, fake.messageOf(thrown).find(type.Release)) << fake.messageOf(thrown);
      EXPECT_EQ(0, fake.valueOf(thrown)) << "made from a library error";
      fake.clearPending();
      EXPECT_EQ(0, h.libraryCalls()) << "the library was called";
      EXPECT_EQ(globals, fake.globalReferences()) << "a reference given back";
      EXPECT_EQ(live, type.Live()) << "the object given back";
      EXPECT_EQ(registered, type.Registered(object)) << "the listener removed";
      h.heard.clear();
      type.Raise(object);
      EXPECT_EQ(std::vector<jlong>{2}, h.heard) << "the listener no longer hears its object";

      type.release(object, token);
      EXPECT_EQ(nullptr, fake.pending()) << (fake.pending() ? fake.messageOf(fake.pending()) : "");
      h.dropPending();
      EXPECT_EQ(live - 1, type.Live()) << "the owner's own Release";
      EXPECT_EQ(globals - 1, fake.globalReferences());
      if (other != 0) type.release(other, otherToken);
      EXPECT_EQ(nullptr, fake.pending());
    }
  }
  EXPECT_EQ(40, rows);
  classes[0].release(tlmObject, tlmToken);
  classes[4].release(vrnObject, vrnToken);
  EXPECT_EQ(nullptr, fake.pending());
}

// 0 is what a Java class hands Release for an object that never had a listener: the
// object is released, and the library is asked nothing else (there is no listener of the
// object to remove).
TEST_F(JNIlistenerProtocol, ReleaseWithZeroOfAnObjectWithoutAListenerOnlyReleasesIt) {
  Host& h = host();
  TESTfakeJni& fake = h.fake;
  for (const ListenerClass& type : listenerClasses()) {
    SCOPED_TRACE(type.Name);
    jlong object = type.create();
    int live = type.Live();
    int globals = fake.globalReferences();
    h.resetJournals();
    type.release(object, 0);
    EXPECT_EQ(nullptr, fake.pending()) << (fake.pending() ? fake.messageOf(fake.pending()) : "");
    h.dropPending();
    EXPECT_EQ(1, h.libraryCalls()) << "the object's release, and nothing else";
    EXPECT_EQ(live - 1, type.Live());
    EXPECT_EQ(globals, fake.globalReferences());
  }
}

// What a second AddListener on one object means: TLM.dll holds several listeners per
// object, each hearing the object's events; sockmod2 holds one, whose token comes back; an
// Engine's second listener replaces the first, which is given back (not left live for
// ever) and is no longer the engine's to release.
TEST_F(JNIlistenerProtocol, ASecondAddListenerMeansWhatTheLibraryHolds) {
  Host& h = host();
  TESTfakeJni& fake = h.fake;
  enum Meaning { Another, TheLiveOne, Replaces };
  const Meaning meanings[] = {Another, Another, Replaces, TheLiveOne, TheLiveOne};
  const std::vector<ListenerClass> classes = listenerClasses();
  for (size_t row = 0; row < classes.size(); ++row) {
    const ListenerClass& type = classes[row];
    const Meaning meaning = meanings[row];
    SCOPED_TRACE(type.Name);
    jlong object = type.create();
    int globals = fake.globalReferences();
    jlong first = type.add(fake.newObject(type.JavaClass, 1), object);
    jlong second = type.add(fake.newObject(type.JavaClass, 2), object);
    ASSERT_EQ(nullptr, fake.pending());
    EXPECT_EQ(meaning == TheLiveOne, first == second);
    EXPECT_EQ(globals + (meaning == Another ? 2 : 1), fake.globalReferences()) << "references held";
    h.heard.clear();
    type.Raise(object);
    const std::vector<jlong> heard = meaning == Another ? std::vector<jlong>{1, 2}
                                     : meaning == Replaces ? std::vector<jlong>{2}
                                                           : std::vector<jlong>{1};
    EXPECT_EQ(heard, h.heard) << "who hears the object";
    if (meaning == Another) {
      EXPECT_EQ(2, type.Registered(object));
      type.AddRef(object);
      type.release(object, first);
    } else if (meaning == Replaces) {
      h.resetJournals();
      type.release(object, first);
      EXPECT_NE(nullptr, fake.pending()) << "the replaced listener released";
      EXPECT_EQ(0, h.libraryCalls());
      fake.clearPending();
    }
    type.release(object, second);
    EXPECT_EQ(nullptr, fake.pending());
    EXPECT_EQ(globals, fake.globalReferences()) << "references left";
  }
}

// The first Create of each class, in a process of its own, with a JVM whose GetJavaVM
// fails: the Create fails with its bridge's exception (and gives back what it made); the
// next Create keeps the JavaVM, and its listener hears its events.
TEST_CHILD_ROLE(FirstCreatesWithoutTheirJavaVm) {
  Host& h = host();
  TESTfakeJni& fake = h.fake;
  int failures = 0;
  for (const ListenerClass& type : listenerClasses()) {
    int live = type.Live();
    fake.faults.getJavaVmFails = true;
    jlong refused = type.create();
    fake.faults.getJavaVmFails = false;
    jthrowable thrown = fake.pending();
    if (refused != 0 || thrown == nullptr || fake.classNameOf(thrown) != type.Exception ||
        fake.messageOf(thrown) != "The Java virtual machine could not be found" || type.Live() != live) {
      fprintf(stderr, "%s: the Create without a JavaVM gave %lld, %s\n", type.Name, static_cast<long long>(refused),
              thrown ? fake.messageOf(thrown).c_str() : "no exception");
      ++failures;
    }
    h.dropPending();
    jlong object = type.create();
    jlong token = type.add(fake.newObject(type.JavaClass, 5), object);
    h.heard.clear();
    type.Raise(object);
    if (h.heard != std::vector<jlong>{5}) {
      fprintf(stderr, "%s: the listener heard %zu events\n", type.Name, h.heard.size());
      ++failures;
    }
    type.release(object, token);
    h.dropPending();
  }
  return failures;
}

// Engine A outlives its Release (a second reference holds it), whose clearing of the log
// callback vrn_core refuses; vrn_java is unloaded (A logs a line), loaded again, engine B
// gets a listener, and A logs again: vrn_java stayed loaded, so vrn_core's calls find its
// code, and nobody hears A's lines.
TEST_CHILD_ROLE(ALateLineAfterTheBridgeIsLoadedAgain) {
  Host& h = host();
  TESTfakeJni& fake = h.fake;
  const ListenerClass engine = listenerClasses()[2];
  jlong a = engine.create();
  jlong listenerOfA = engine.add(fake.newObject(engine.JavaClass, 1), a);
  engine.AddRef(a);
  STANDIN(h.libraries.vrnCore, VRNstandinFailNext)("VRNengineSetLogCallBackPerEngine", "Refused", nullptr, nullptr);
  engine.release(a, listenerOfA);
  if (fake.pending() == nullptr) return 2;
  h.dropPending();

  h.libraries.vrnJava.unload();
  // Before any load again, where nothing else can have taken the library's place.
  STANDIN(h.libraries.vrnCore, VRNstandinLog)(handleOf(a), "A's line between the loads");
  h.libraries.vrnJava.load(pathOf(VRN_JAVA_LIBRARY), true);
  jlong b = engine.create();
  jlong listenerOfB = engine.add(fake.newObject(engine.JavaClass, 2), b);
  if (listenerOfB == 0) return 3;
  h.heard.clear();
  STANDIN(h.libraries.vrnCore, VRNstandinLog)(handleOf(a), "A's late line");
  STANDIN(h.libraries.vrnCore, VRNstandinLogFromWorker)(handleOf(a), "A's late line");
  if (!h.heard.empty()) {
    fprintf(stderr, "A's line reached listener %lld\n", static_cast<long long>(h.heard[0]));
    return 4;
  }
  engine.Raise(b);
  if (h.heard != std::vector<jlong>{2}) return 5;
  engine.release(b, listenerOfB);
  engine.release(a, 0);
  return fake.pending() == nullptr && engine.Live() == 0 ? 0 : 6;
}

// A bridge stays loaded only while an outside library may still call it back: after
// listeners of every class have been released as their libraries let them go, both
// bridges unload as a host unloads them on a redeploy.
TEST_CHILD_ROLE(BridgesWhoseListenersWentAreUnloaded) {
  Host& h = host();
  TESTfakeJni& fake = h.fake;
  for (const ListenerClass& type : listenerClasses()) {
    jlong object = type.create();
    type.release(object, type.add(fake.newObject(type.JavaClass, 1), object));
  }
  if (fake.pending() != nullptr) return 2;
  const std::string paths[] = {TESTbuildPath(TLM_JAVA_LIBRARY), TESTbuildPath(VRN_JAVA_LIBRARY)};
  h.libraries.tlmJava.unload();
  h.libraries.vrnJava.unload();
  int loaded = 0;
  for (const std::string& path : paths) {
    if (GetModuleHandleA(path.c_str()) != nullptr) {
      fprintf(stderr, "%s is still loaded\n", path.c_str());
      ++loaded;
    }
  }
  return loaded == 0 ? 0 : 3;
}

// What a process shows once only (the first Create, a load and an unload of a bridge):
// each role in a child of its own, which exits with 0 when it saw what it should.
TEST(JNIlistenerProtocolChild, WhatAProcessShowsOnce) {
  const struct {
    const char* Role;
    const char* What;
  } roles[] = {
      {"FirstCreatesWithoutTheirJavaVm", "a first Create without its JavaVM fails"},
      {"ALateLineAfterTheBridgeIsLoadedAgain", "a late line of an engine reaches no listener of the next load"},
      {"BridgesWhoseListenersWentAreUnloaded", "a bridge nobody can call back is unloaded"},
  };
  for (const auto& role : roles) {
    TESTprogramRun run = TESTcaptureChildRole(role.Role);
    EXPECT_EQ(0, run.exitCode) << role.What << ": " << run.out << run.err;
  }
}

}  // namespace

#endif
