// vrn_java loaded by name and driven through the fake JNI environment (the only JVM the
// Windows build has): every native of the table is found by its JNI name, returns its
// failure value with the library's error adopted by the Java exception, one native of
// each shape succeeds without a JNI misuse, and the log callback reaches the listener from
// the stand-in's worker thread.
#include "COL/COLdll.h"
#include "contracts/VRNlibraryContract.h"
#include "standins/vrn_core/VRNstandinControl.h"
#include "tests/support/TESTchild.h"
#include "tests/support/TESTfakeJni.h"
#include "tests/support/TESTprocess.h"
#include "tests/support/TESTsupport.h"
#include "tests/support/TESTvrnNatives.h"

#include <cstdio>
#include <cstdlib>

#include <gtest/gtest.h>

#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace {

typedef TESTvrnNative Row;

// The Engine's natives; the other classes have suites of their own.
std::vector<Row> rows() { return TESTvrnNatives({"Engine"}); }

std::string definition_file() { return TESTbuildPath(VRN_TEST_DEFINITION); }

// Where the schema native may write, in the build tree.
std::string schema_file() { return TESTbuildPath(VRN_TEST_SCHEMA); }

const char* const kAdt = "MSH|^~\\&|SEND|FAC|RECV|RFAC|20260101||ADT^A01|42|P|2.5\rEVN|A01\r";

struct LogLine {
  std::string text;
  bool onCreator;
  std::u16string wide;
};

// One fake JVM for the whole program: vrn_java keeps the JavaVM of its first engine.
class Bridge {
public:
  static Bridge& get() {
    static Bridge bridge;
    return bridge;
  }
  TESTfakeJni fake;
  COLdll library;
  std::mutex lock;
  std::vector<LogLine> lines;
  std::thread::id creator = std::this_thread::get_id();

private:
  Bridge() : library(COLstring(TESTvrnJavaLibrary().c_str()), true) {
    fake.defineHandleClass("com/olvenmark/varnel/VarnelException", "java/lang/RuntimeException");
    fake.defineClass("java/lang/System");
    fake.defineMethod("java/lang/System", "getProperty", "(Ljava/lang/String;)Ljava/lang/String;",
                      [this](jobject, const std::vector<jvalue>&) {
                        jvalue version;
                        version.l = fake.newString(u"1.7.0_80");
                        return version;
                      });
    fake.defineClass("com/olvenmark/varnel/Engine");
    fake.defineMethod("com/olvenmark/varnel/Engine", "log", "(Ljava/lang/String;)V",
                      [this](jobject, const std::vector<jvalue>& args) {
                        std::u16string text = fake.textOf(args[0].l);
                        std::lock_guard<std::mutex> hold(lock);
                        lines.push_back({std::string(text.begin(), text.end()), std::this_thread::get_id() == creator, text});
                        return jvalue{};
                      });
  }
};

// Calls a native of the given signature; the result in words ("int -1", "text \"x\"").
std::string invoke(COLdllProc proc, const std::string& signature, const std::vector<jvalue>& a) {
  TESTfakeJni& fake = Bridge::get().fake;
  JNIEnv* env = fake.env();
  jobject self = fake.newObject("com/olvenmark/varnel/Engine");
  auto text = [&](jstring s) {
    if (s == nullptr) return std::string("null");
    std::u16string t = fake.textOf(s);
    return "text \"" + std::string(t.begin(), t.end()) + "\"";
  };
  typedef JNIEnv E;
  typedef jobject O;
  typedef jstring S;
  if (signature == "(J)I") return "int " + std::to_string(reinterpret_cast<jint (*)(E*, O, jlong)>(proc)(env, self, a[0].j));
  if (signature == "(J)J") return "long " + std::to_string(reinterpret_cast<jlong (*)(E*, O, jlong)>(proc)(env, self, a[0].j));
  if (signature == "(JI)I")
    return "int " + std::to_string(reinterpret_cast<jint (*)(E*, O, jlong, jint)>(proc)(env, self, a[0].j, a[1].i));
  if (signature == "()J") return "long " + std::to_string(reinterpret_cast<jlong (*)(E*, O)>(proc)(env, self));
  if (signature == "(JLjava/lang/String;J)I")
    return "int " + std::to_string(reinterpret_cast<jint (*)(E*, O, jlong, S, jlong)>(proc)(env, self, a[0].j,
                                                                                          S(a[1].l), a[2].j));
  if (signature == "(JIJ)Ljava/lang/String;")
    return text(reinterpret_cast<S (*)(E*, O, jlong, jint, jlong)>(proc)(env, self, a[0].j, a[1].i, a[2].j));
  if (signature == "(JI)Ljava/lang/String;")
    return text(reinterpret_cast<S (*)(E*, O, jlong, jint)>(proc)(env, self, a[0].j, a[1].i));
  if (signature == "(JLjava/lang/String;II)Ljava/lang/String;")
    return text(reinterpret_cast<S (*)(E*, O, jlong, S, jint, jint)>(proc)(env, self, a[0].j, S(a[1].l), a[2].i,
                                                                           a[3].i));
  if (signature == "(JLjava/lang/String;)Ljava/lang/String;")
    return text(reinterpret_cast<S (*)(E*, O, jlong, S)>(proc)(env, self, a[0].j, S(a[1].l)));
  if (signature == "(JII)Ljava/lang/String;")
    return text(reinterpret_cast<S (*)(E*, O, jlong, jint, jint)>(proc)(env, self, a[0].j, a[1].i, a[2].i));
  if (signature == "(JLjava/lang/String;)Z")
    return reinterpret_cast<jboolean (*)(E*, O, jlong, S)>(proc)(env, self, a[0].j, S(a[1].l)) ? "true" : "false";
  if (signature == "(J)V") reinterpret_cast<void (*)(E*, O, jlong)>(proc)(env, self, a[0].j);
  else if (signature == "(JI)V") reinterpret_cast<void (*)(E*, O, jlong, jint)>(proc)(env, self, a[0].j, a[1].i);
  else if (signature == "(JJ)V") reinterpret_cast<void (*)(E*, O, jlong, jlong)>(proc)(env, self, a[0].j, a[1].j);
  else if (signature == "(JZ)V") reinterpret_cast<void (*)(E*, O, jlong, jboolean)>(proc)(env, self, a[0].j, a[1].z);
  else if (signature == "(JIJ)V")
    reinterpret_cast<void (*)(E*, O, jlong, jint, jlong)>(proc)(env, self, a[0].j, a[1].i, a[2].j);
  else if (signature == "(JLjava/lang/String;)V")
    reinterpret_cast<void (*)(E*, O, jlong, S)>(proc)(env, self, a[0].j, S(a[1].l));
  else if (signature == "(JLjava/lang/String;Ljava/lang/String;)V")
    reinterpret_cast<void (*)(E*, O, jlong, S, S)>(proc)(env, self, a[0].j, S(a[1].l), S(a[2].l));
  else
    return "unknown signature " + signature;
  return "void";
}

jlong as_long(VRNhandle handle) { return static_cast<jlong>(reinterpret_cast<intptr_t>(handle)); }

jvalue long_value(jlong value) {
  jvalue v{};
  v.j = value;
  return v;
}

Row row_named(const std::string& method) {
  for (const Row& row : rows())
    if (row.symbol() == "Java_com_olvenmark_varnel_Engine_" + method) return row;
  ADD_FAILURE() << "no native " << method;
  return Row();
}

// Arguments the library accepts: the engine, index 0, the message, a table, true.
std::vector<jvalue> arguments(const Row& row, VRNhandle engine, VRNhandle table) {
  std::vector<jvalue> args;
  int longs = 0;
  for (size_t i = 1; row.signature[i] != ')'; ++i) {
    jvalue v{};
    char c = row.signature[i];
    if (c == 'J') v.j = longs++ == 0 ? as_long(engine) : (row.shape == "EngineRelease" ? 0 : as_long(table));
    else if (c == 'I') v.i = 0;
    else if (c == 'Z') v.z = JNI_TRUE;
    else {
      // A file to read or write where the native wants one, else a message.
      std::string text = row.shape == "GuardedTextSetter" ? definition_file()
                         : row.shape == "DirectTextCall"  ? schema_file()
                                                          : std::string(kAdt);
      v.l = Bridge::get().fake.newString(std::u16string(text.begin(), text.end()));
      i = row.signature.find(';', i);
    }
    args.push_back(v);
  }
  return args;
}

class VRNnatives : public ::testing::Test {
protected:
  void SetUp() override {
    VRNstandinReset();
    ASSERT_EQ(nullptr, VRNengineCreate(&engine));
    ASSERT_EQ(nullptr, VRNengineLoad(engine, definition_file().c_str()));
    ASSERT_EQ(nullptr, VRNtableCreate(&table));
  }
  void TearDown() override {
    TESTfakeJni& fake = Bridge::get().fake;
    fake.clearPending();
    if (engine) {
      EXPECT_EQ(nullptr, VRNengineRelease(engine));
    }
    EXPECT_EQ(nullptr, VRNtableRelease(table));
    EXPECT_EQ(std::vector<std::string>{}, fake.violations());
    EXPECT_EQ(0, fake.openFrames());
    EXPECT_EQ(0, fake.borrowedChars());
    EXPECT_EQ(0, VRNstandinLiveCount("error"));
    EXPECT_EQ(0, VRNstandinLiveCount("multibyte"));
    EXPECT_EQ(0, VRNstandinLiveCount("wide"));
  }
  VRNhandle engine = nullptr;
  VRNhandle table = nullptr;
};

TEST_F(VRNnatives, EveryNativeOfTheTableIsFoundByItsName) {
  for (const Row& row : rows()) EXPECT_TRUE(Bridge::get().library.hasProc(row.symbol().c_str())) << row.symbol();
}

TEST_F(VRNnatives, AFailureGivesEachShapesValueAndTheExceptionAdoptsTheError) {
  const std::map<std::string, std::string> failure = {
      {"DirectIndexGetter", "int -1"},  {"DirectHandleGetter", "long 0"},  {"DirectIndexSetter", "void"},
      {"DirectIdentifierCount", "int -1"}, {"EngineCreate", "long 0"},    {"GuardedCall", "void"},
      {"EngineAddListener", "long 0"},  {"EngineRelease", "void"},        {"GuardedTextSetter", "void"},
      {"EngineParse", "int 0"},         {"EngineGenerate", "null"},       {"GuardedIndexTableCall", "void"},
      {"GuardedIntGetter", "int 0"},    {"GuardedFlagSetter", "void"},    {"GuardedIndexTextGetter", "null"},
      {"EngineTransform", "null"},      {"GuardedTextToText", "null"},    {"DirectTextToText", "null"},
      {"DirectTextCall", "void"},       {"DirectIdentifierValue", "null"}, {"DirectTextPairCall", "void"},
      {"DirectPrintable", "null"},      {"ReportSuccess", "false"},
      {"ReportError", "text \"Injected failure\""},
  };
  TESTfakeJni& fake = Bridge::get().fake;
  int globals = fake.globalReferences();
  for (const Row& row : rows()) {
    ASSERT_TRUE(VRNstandinFailNext(row.function.c_str(), "Injected failure", nullptr, nullptr)) << row.symbol();
    std::string result = invoke(Bridge::get().library.getProc(row.symbol().c_str()), row.signature,
                                arguments(row, engine, table));
    ASSERT_EQ(1u, failure.count(row.shape)) << row.shape;
    EXPECT_EQ(failure.at(row.shape), result) << row.symbol();
    jthrowable thrown = fake.pending();
    if (row.shape.compare(0, 6, "Report") == 0) {
      EXPECT_EQ(nullptr, thrown) << row.symbol() << ": the failure is reported in the result";
    } else if (thrown == nullptr) {
      ADD_FAILURE() << row.symbol() << ": no exception";
    } else {
      EXPECT_EQ("com/olvenmark/varnel/VarnelException", fake.classNameOf(thrown)) << row.symbol();
      VRNhandle error = reinterpret_cast<VRNhandle>(static_cast<intptr_t>(fake.valueOf(thrown)));
      EXPECT_EQ(1, VRNstandinReferenceCount(error)) << row.symbol() << ": adopted with its one reference";
      EXPECT_EQ(nullptr, VRNerrorRelease(error)) << row.symbol();
      fake.clearPending();
    }
    EXPECT_EQ(globals, fake.globalReferences()) << row.symbol() << ": a listener reference left behind";
  }
}

// A text holding U+0000 in any string argument: refused with a VarnelException naming the
// method, and the library function is never called (it would read the text up to the NUL).
TEST_F(VRNnatives, ATextHoldingUPlus0000IsRefusedAndNothingIsSent) {
  TESTfakeJni& fake = Bridge::get().fake;
  int checked = 0;
  for (const Row& row : rows()) {
    std::vector<jvalue> good = arguments(row, engine, table);
    size_t at = 0;
    for (size_t i = 1; row.signature[i] != ')'; ++i, ++at) {
      if (row.signature[i] != 'L') continue;
      i = row.signature.find(';', i);
      std::vector<jvalue> args = good;
      args[at].l = fake.newString(std::u16string(u"A\0B\rC", 5));
      VRNstandinReset();
      std::string result = invoke(Bridge::get().library.getProc(row.symbol().c_str()), row.signature, args);
      jthrowable thrown = fake.pending();
      ASSERT_NE(nullptr, thrown) << row.symbol() << " gave " << result;
      EXPECT_EQ("com/olvenmark/varnel/VarnelException", fake.classNameOf(thrown)) << row.symbol();
      EXPECT_NE(std::string::npos, fake.messageOf(thrown).find(row.name)) << row.symbol() << ": " << fake.messageOf(thrown);
      EXPECT_EQ(0, VRNstandinCallCount(row.function.c_str())) << row.symbol() << ": nothing sent";
      fake.clearPending();
      ++checked;
    }
  }
  EXPECT_EQ(16, checked);
}

TEST_F(VRNnatives, OneNativeOfEachShapeSucceeds) {
  TESTfakeJni& fake = Bridge::get().fake;
  std::set<std::string> done;
  for (const Row& row : rows()) {
    if (!done.insert(row.shape).second) continue;
    std::vector<jvalue> args = arguments(row, engine, table);
    if (row.shape == "EngineParse" || row.shape == "EngineGenerate") {
      // Parse fills the table that generating reads.
      Row parse = row_named("VRNengineParseMessage");
      invoke(Bridge::get().library.getProc(parse.symbol().c_str()), parse.signature, arguments(parse, engine, table));
    }
    std::string result = invoke(Bridge::get().library.getProc(row.symbol().c_str()), row.signature, args);
    EXPECT_EQ(nullptr, fake.pending()) << row.symbol() << " gave " << result << ": "
                                       << (fake.pending() ? fake.messageOf(fake.pending()) : "");
    fake.clearPending();
    if (row.shape == "EngineCreate") {
      EXPECT_NE("long 0", result);
      VRNhandle made = reinterpret_cast<VRNhandle>(static_cast<intptr_t>(std::stoll(result.substr(5))));
      EXPECT_EQ(nullptr, VRNengineRelease(made));
    } else if (row.shape == "EngineAddListener") {
      jlong listener = std::stoll(result.substr(5));
      EXPECT_NE(0, listener);
      VRNengineAddRef(engine);  // the release below takes one
      invoke(Bridge::get().library.getProc("Java_com_olvenmark_varnel_Engine_VRNengineRelease"), "(JJ)V",
             {long_value(as_long(engine)), long_value(listener)});
    } else if (row.shape == "GuardedCall") {
      EXPECT_EQ(nullptr, VRNengineRelease(engine));  // the reference that AddRef took
    } else if (row.shape == "EngineRelease") {
      engine = nullptr;  // released by the native
      ASSERT_EQ(nullptr, VRNengineCreate(&engine));
      ASSERT_EQ(nullptr, VRNengineLoad(engine, definition_file().c_str()));
    }
  }
  EXPECT_EQ(24u, done.size());
}

TEST_F(VRNnatives, TheLogCallbackReachesTheListenerFromTheWorkerAndNotAfterTheRelease) {
  TESTfakeJni& fake = Bridge::get().fake;
  Bridge& bridge = Bridge::get();
  // The first engine through the bridge makes this thread the creator thread.
  std::string made = invoke(bridge.library.getProc("Java_com_olvenmark_varnel_Engine_VRNengineCreate"), "()J", {});
  VRNhandle first = reinterpret_cast<VRNhandle>(static_cast<intptr_t>(std::stoll(made.substr(5))));
  ASSERT_NE(nullptr, first);
  EXPECT_EQ(nullptr, VRNengineRelease(first));
  int globals = fake.globalReferences();
  std::string added = invoke(bridge.library.getProc("Java_com_olvenmark_varnel_Engine_VRNengineAddListener"), "(J)J",
                             {long_value(as_long(engine))});
  jlong listener = std::stoll(added.substr(5));
  bridge.lines.clear();
  int detached = fake.calls("DetachCurrentThread");
  VRNstandinLog(engine, "on the creator");
  EXPECT_EQ(detached, fake.calls("DetachCurrentThread")) << "the creator thread stays attached";
  VRNstandinLogFromWorker(engine, "on a worker");
  EXPECT_EQ(detached + 1, fake.calls("DetachCurrentThread")) << "the worker is detached again";
  EXPECT_TRUE(fake.currentThreadAttached());
  ASSERT_EQ(2u, bridge.lines.size());
  EXPECT_EQ("on the creator", bridge.lines[0].text);
  EXPECT_TRUE(bridge.lines[0].onCreator);
  EXPECT_EQ("on a worker", bridge.lines[1].text);
  EXPECT_FALSE(bridge.lines[1].onCreator);
  VRNengineAddRef(engine);
  invoke(bridge.library.getProc("Java_com_olvenmark_varnel_Engine_VRNengineRelease"), "(JJ)V",
         {long_value(as_long(engine)), long_value(listener)});
  EXPECT_EQ(globals, fake.globalReferences());
  VRNstandinLogFromWorker(engine, "after the release");
  EXPECT_EQ(2u, bridge.lines.size());
}

// The log callback detaches exactly the threads it attached. The creator thread, once the
// JVM no longer knows it, stands for any thread that gets a dead creator's identifier: it
// is attached for the line and detached after it. A native thread that someone else
// attached is used as it is and stays attached.
TEST_F(VRNnatives, TheLogCallbackDetachesExactlyTheThreadsItAttached) {
  TESTfakeJni& fake = Bridge::get().fake;
  Bridge& bridge = Bridge::get();
  COLdllProc create = bridge.library.getProc("Java_com_olvenmark_varnel_Engine_VRNengineCreate");
  std::string made = invoke(create, "()J", {});
  EXPECT_EQ(nullptr, VRNengineRelease(reinterpret_cast<VRNhandle>(static_cast<intptr_t>(std::stoll(made.substr(5))))));
  jlong listener = std::stoll(invoke(bridge.library.getProc("Java_com_olvenmark_varnel_Engine_VRNengineAddListener"),
                                     "(J)J", {long_value(as_long(engine))})
                                  .substr(5));
  bridge.lines.clear();

  ASSERT_EQ(JNI_OK, fake.vm()->DetachCurrentThread());
  VRNstandinLog(engine, "on the creator, unknown to the JVM");
  EXPECT_FALSE(fake.currentThreadAttached()) << "attached for the line, detached after it";
  JNIEnv* again = nullptr;
  ASSERT_EQ(JNI_OK, fake.vm()->AttachCurrentThread(reinterpret_cast<void**>(&again), nullptr));

  bool stayed = false;
  std::thread other([&] {
    JNIEnv* own = nullptr;
    fake.vm()->AttachCurrentThread(reinterpret_cast<void**>(&own), nullptr);
    VRNstandinLog(engine, "on a thread attached by someone else");
    stayed = fake.currentThreadAttached();
    fake.vm()->DetachCurrentThread();
  });
  other.join();
  EXPECT_TRUE(stayed) << "not detached by the callback";
  ASSERT_EQ(2u, bridge.lines.size());
  EXPECT_EQ("on the creator, unknown to the JVM", bridge.lines[0].text);
  EXPECT_EQ("on a thread attached by someone else", bridge.lines[1].text);
  VRNengineAddRef(engine);
  invoke(bridge.library.getProc("Java_com_olvenmark_varnel_Engine_VRNengineRelease"), "(JJ)V",
         {long_value(as_long(engine)), long_value(listener)});
}

// A listener that logs again from inside its line, and whose nested line releases the
// engine: the release returns at once, and the reference goes when the outer line ends.
TEST_F(VRNnatives, AReleaseFromANestedLineWaitsForNothing) {
  TESTfakeJni& fake = Bridge::get().fake;
  Bridge& bridge = Bridge::get();
  COLdllProc release = bridge.library.getProc("Java_com_olvenmark_varnel_Engine_VRNengineRelease");
  std::string made = invoke(bridge.library.getProc("Java_com_olvenmark_varnel_Engine_VRNengineCreate"), "()J", {});
  EXPECT_EQ(nullptr, VRNengineRelease(reinterpret_cast<VRNhandle>(static_cast<intptr_t>(std::stoll(made.substr(5))))));
  int globals = fake.globalReferences();
  jlong listener = 0;
  std::vector<std::string> heard;
  fake.defineClass("varneltests/Nesting");
  fake.defineMethod("varneltests/Nesting", "log", "(Ljava/lang/String;)V",
                    [&](jobject, const std::vector<jvalue>& args) {
                      std::u16string text = fake.textOf(args[0].l);
                      heard.push_back(std::string(text.begin(), text.end()));
                      if (heard.size() == 1) {
                        VRNstandinLog(engine, "inner");
                      } else {
                        VRNengineAddRef(engine);  // the engine lives on past the release
                        typedef void (*Release)(JNIEnv*, jobject, jlong, jlong);
                        reinterpret_cast<Release>(release)(fake.env(), nullptr, as_long(engine), listener);
                        heard.push_back("released");
                      }
                      return jvalue{};
                    });
  typedef jlong (*AddListener)(JNIEnv*, jobject, jlong);
  listener = reinterpret_cast<AddListener>(bridge.library.getProc("Java_com_olvenmark_varnel_Engine_VRNengineAddListener"))(
      fake.env(), fake.newObject("varneltests/Nesting"), as_long(engine));
  ASSERT_NE(0, listener);
  VRNstandinLog(engine, "outer");
  EXPECT_EQ((std::vector<std::string>{"outer", "inner", "released"}), heard);
  EXPECT_EQ(nullptr, fake.pending());
  EXPECT_EQ(globals, fake.globalReferences()) << "deleted by the outer line, the last to finish";
  VRNstandinLog(engine, "after the release");
  EXPECT_EQ(3u, heard.size());
}

// Clearing the callback fails: the listener's reference and the engine are given back all
// the same, the failure still reaches Java, and an engine that lives on (another reference)
// sends no line to the deleted reference.
TEST_F(VRNnatives, AFailedClearOfTheLogCallbackStillGivesTheReferenceAndTheEngineBack) {
  TESTfakeJni& fake = Bridge::get().fake;
  Bridge& bridge = Bridge::get();
  COLdllProc add = bridge.library.getProc("Java_com_olvenmark_varnel_Engine_VRNengineAddListener");
  COLdllProc release = bridge.library.getProc("Java_com_olvenmark_varnel_Engine_VRNengineRelease");
  int globals = fake.globalReferences();
  int engines = VRNstandinLiveCount("engine");
  for (bool livesOn : {false, true}) {
    // Made through the native, as the first engine of the bridge may be.
    std::string made = invoke(bridge.library.getProc("Java_com_olvenmark_varnel_Engine_VRNengineCreate"), "()J", {});
    VRNhandle logged = reinterpret_cast<VRNhandle>(static_cast<intptr_t>(std::stoll(made.substr(5))));
    ASSERT_NE(nullptr, logged);
    if (livesOn) VRNengineAddRef(logged);
    jlong listener = std::stoll(invoke(add, "(J)J", {long_value(as_long(logged))}).substr(5));
    ASSERT_EQ(globals + 1, fake.globalReferences());
    ASSERT_TRUE(VRNstandinFailNext("VRNengineSetLogCallBackPerEngine", "Injected failure", nullptr, nullptr));
    invoke(release, "(JJ)V", {long_value(as_long(logged)), long_value(listener)});
    EXPECT_EQ(globals, fake.globalReferences()) << "the listener's reference deleted";
    EXPECT_EQ(engines + (livesOn ? 1 : 0), VRNstandinLiveCount("engine")) << "the engine given back";
    jthrowable thrown = fake.pending();
    ASSERT_NE(nullptr, thrown) << "the failure reported";
    const char* description = nullptr;
    VRNhandle error = reinterpret_cast<VRNhandle>(static_cast<intptr_t>(fake.valueOf(thrown)));
    EXPECT_EQ(nullptr, VRNerrorGetDescription(error, &description));
    EXPECT_STREQ("Injected failure", description);
    EXPECT_EQ(nullptr, VRNerrorRelease(error));
    fake.clearPending();
    if (livesOn) {
      bridge.lines.clear();
      VRNstandinLog(logged, "after the release");
      VRNstandinLogFromWorker(logged, "after the release");
      EXPECT_EQ(0u, bridge.lines.size()) << "no line reaches the deleted reference";
      EXPECT_EQ(std::vector<std::string>{}, fake.violations());
      EXPECT_EQ(nullptr, VRNengineRelease(logged));
    }
  }
}

// The JVM hands a deleted global reference's value out again (here the same object twice,
// whose references the fake makes alike): engine A lives on after a release whose
// clearing of the callback vrn_core refused, and engine B's listener gets A's old value.
// A's lines, on the creator and on a worker, must reach no listener; B's reach B's.
TEST_F(VRNnatives, AnEngineThatLivesOnSendsNoLineToAnotherEnginesListener) {
  TESTfakeJni& fake = Bridge::get().fake;
  Bridge& bridge = Bridge::get();
  COLdllProc add = bridge.library.getProc("Java_com_olvenmark_varnel_Engine_VRNengineAddListener");
  COLdllProc release = bridge.library.getProc("Java_com_olvenmark_varnel_Engine_VRNengineRelease");
  std::string made = invoke(bridge.library.getProc("Java_com_olvenmark_varnel_Engine_VRNengineCreate"), "()J", {});
  VRNhandle a = reinterpret_cast<VRNhandle>(static_cast<intptr_t>(std::stoll(made.substr(5))));
  ASSERT_NE(nullptr, a);
  int globals = fake.globalReferences();
  VRNengineAddRef(a);  // A lives on past its release
  typedef jlong (*AddListener)(JNIEnv*, jobject, jlong);
  jobject self = fake.newObject("com/olvenmark/varnel/Engine");
  jlong listenerOfA = reinterpret_cast<AddListener>(add)(fake.env(), self, as_long(a));
  ASSERT_TRUE(VRNstandinFailNext("VRNengineSetLogCallBackPerEngine", "Injected failure", nullptr, nullptr));
  invoke(release, "(JJ)V", {long_value(as_long(a)), long_value(listenerOfA)});
  ASSERT_NE(nullptr, fake.pending());
  EXPECT_EQ(nullptr, VRNerrorRelease(reinterpret_cast<VRNhandle>(static_cast<intptr_t>(fake.valueOf(fake.pending())))));
  fake.clearPending();
  ASSERT_EQ(globals, fake.globalReferences());

  jlong listenerOfB = reinterpret_cast<AddListener>(add)(fake.env(), self, as_long(engine));
  EXPECT_NE(listenerOfA, listenerOfB) << "A's long names B's listener";
  bridge.lines.clear();
  VRNstandinLog(a, "A on the creator");
  VRNstandinLogFromWorker(a, "A on a worker");
  EXPECT_EQ(0u, bridge.lines.size()) << "A's lines reached B's listener";
  VRNstandinLog(engine, "B's own");
  ASSERT_EQ(1u, bridge.lines.size());
  EXPECT_EQ("B's own", bridge.lines[0].text);

  VRNengineAddRef(engine);
  invoke(release, "(JJ)V", {long_value(as_long(engine)), long_value(listenerOfB)});
  EXPECT_EQ(nullptr, fake.pending());
  EXPECT_EQ(globals, fake.globalReferences());
  EXPECT_EQ(std::vector<std::string>{}, fake.violations());
  EXPECT_EQ(nullptr, VRNengineRelease(a));
}

// A line that the library's conversion refuses is repaired, and a character beyond U+FFFF
// in it still arrives whole.
TEST_F(VRNnatives, ARepairedLogLineKeepsACharacterBeyondTheBasicPlane) {
  Bridge& bridge = Bridge::get();
  std::string made = invoke(bridge.library.getProc("Java_com_olvenmark_varnel_Engine_VRNengineCreate"), "()J", {});
  EXPECT_EQ(nullptr, VRNengineRelease(reinterpret_cast<VRNhandle>(static_cast<intptr_t>(std::stoll(made.substr(5))))));
  std::string added = invoke(bridge.library.getProc("Java_com_olvenmark_varnel_Engine_VRNengineAddListener"), "(J)J",
                             {long_value(as_long(engine))});
  jlong listener = std::stoll(added.substr(5));
  bridge.lines.clear();
  VRNstandinLogFromWorker(engine, "a\xE9\xF0\x9F\x98\x80");
  ASSERT_EQ(1u, bridge.lines.size());
  EXPECT_EQ(u"a\uFFFD\U0001F600", bridge.lines[0].wide);
  EXPECT_EQ(0, VRNstandinLiveCount("error")) << "the refusal's error given back";
  VRNengineAddRef(engine);
  invoke(bridge.library.getProc("Java_com_olvenmark_varnel_Engine_VRNengineRelease"), "(JJ)V",
         {long_value(as_long(engine)), long_value(listener)});
}

// The direct road with a Java exception already pending: it gives way, for an error
// object and for the all-ones value alike, and no JNI call is made while it is pending.
TEST_F(VRNnatives, TheDirectRoadClearsAPendingExceptionFirst) {
  TESTfakeJni& fake = Bridge::get().fake;
  Row row = row_named("VRNengineAckMessageIndex");
  fake.throwPending("java/lang/IllegalStateException", "left pending");
  VRNstandinFailNext(row.function.c_str(), "Injected failure", nullptr, nullptr);
  EXPECT_EQ("int -1", invoke(Bridge::get().library.getProc(row.symbol().c_str()), row.signature,
                             {long_value(as_long(engine))}));
  ASSERT_NE(nullptr, fake.pending());
  EXPECT_EQ("com/olvenmark/varnel/VarnelException", fake.classNameOf(fake.pending()));
  EXPECT_EQ(nullptr, VRNerrorRelease(reinterpret_cast<VRNhandle>(static_cast<intptr_t>(fake.valueOf(fake.pending())))));
  fake.clearPending();
  fake.throwPending("java/lang/IllegalStateException", "left pending");
  VRNstandinFailNextUnhandled(row.function.c_str());
  invoke(Bridge::get().library.getProc(row.symbol().c_str()), row.signature, {long_value(as_long(engine))});
  ASSERT_NE(nullptr, fake.pending());
  EXPECT_EQ("Unhandled exception.", fake.messageOf(fake.pending()));
}

// Roles for a child of this program: each reports its own verdict in its exit code, or
// ends through the fatal exit.
int direct_failure_in_child(const char* unused) {
  (void)unused;
  Bridge& bridge = Bridge::get();
  VRNhandle engine = nullptr;
  VRNengineCreate(&engine);
  Row row = row_named("VRNengineAckMessageIndex");
  VRNstandinFailNext(row.function.c_str(), "Injected failure", nullptr, nullptr);
  std::string result = invoke(bridge.library.getProc(row.symbol().c_str()), row.signature, {long_value(as_long(engine))});
  fflush(stdout);
  bool sound = result == "int -1" && bridge.fake.pending() == nullptr && bridge.fake.violations().empty() &&
               VRNstandinLiveCount("error") == 0;
  VRNengineRelease(engine);
  return sound ? 0 : 2;
}

TEST_CHILD_ROLE(VRNwithoutTheExceptionClass) {
  Bridge::get().fake.removeClass("com/olvenmark/varnel/VarnelException");
  return direct_failure_in_child(nullptr);
}

TEST_CHILD_ROLE(VRNwithoutTheHandleConstructor) {
  Bridge::get().fake.removeMethod("com/olvenmark/varnel/VarnelException", "<init>", "(J)V");
  return direct_failure_in_child(nullptr);
}

TEST_CHILD_ROLE(VRNlistenerWithoutLog) {
  Bridge& bridge = Bridge::get();
  bridge.fake.defineClass("varneltests/Silent");
  VRNhandle engine = nullptr;
  VRNengineCreate(&engine);
  Row create = row_named("VRNengineCreate");
  invoke(bridge.library.getProc(create.symbol().c_str()), create.signature, {});  // the first engine
  typedef jlong (*AddListener)(JNIEnv*, jobject, jlong);
  reinterpret_cast<AddListener>(bridge.library.getProc("Java_com_olvenmark_varnel_Engine_VRNengineAddListener"))(
      bridge.fake.env(), bridge.fake.newObject("varneltests/Silent"), as_long(engine));
  VRNstandinLog(engine, "a line nobody can hear");
  return 3;  // the fatal exit never returns here
}

// This program, in the form the system starts programs by (natively a POSIX path).
std::string own_program() {
  std::string path = TESTprogramPath();
  if (TESTwindowsBuild) return path;
  if (path.compare(0, 2, "Z:") == 0) path.erase(0, 2);
  for (char& c : path)
    if (c == '\\') c = '/';
  return path;
}

std::vector<std::string> role_words(const char* role) {
  std::vector<std::string> words{own_program()};
  for (const std::string& word : TESTchildRole(role)) words.push_back(word);
  return words;
}

TEST(VRNnativesChild, AMissingExceptionClassIsReportedOnStandardOutputAndTheHandleReleased) {
  TESTprogramRun run = TESTcaptureProgram(own_program(), role_words("VRNwithoutTheExceptionClass"));
  EXPECT_EQ(0, run.exitCode) << run.err;
  EXPECT_EQ("Unable to locate VarnelException class.", run.out);
}

TEST(VRNnativesChild, AMissingJavaMethodEndsTheProcessNamingIt) {
  if (TESTwindowsBuild) GTEST_SKIP() << "a real message box waits for a user";
  struct Row {
    const char* role;
    const char* detail;
  };
  const Row rows[] = {{"VRNwithoutTheHandleConstructor", "Method: VarnelException constructor"},
                      {"VRNlistenerWithoutLog", "Method: log(string Line)"}};
  TESTsetEnvironment("PLAT_CONSOLE", "0");
  for (const Row& row : rows) {
    TESTprogramRun run = TESTcaptureProgram(own_program(), role_words(row.role));
    EXPECT_EQ(1, run.exitCode) << row.role << ": " << run.out << run.err;
    EXPECT_NE(std::string::npos, run.err.find("Java method located not true in VRNjavaCheckCall at 0\r\n")) << row.role << ": " << run.err;
    EXPECT_NE(std::string::npos, run.err.find(row.detail)) << row.role << ": " << run.err;
  }
  TESTsetEnvironment("PLAT_CONSOLE", nullptr);
}

}  // namespace
