// vrn_java's LLP natives loaded by name and driven through the fake JNI environment (the
// only JVM the Windows build has), over the sockmod2 stand-in: every native is found by its
// JNI name, a failure gives each shape's value with the library's error in the exception,
// one native of each shape succeeds, and the events raised through the stand-in's control
// reach the Java methods -- or, when they cannot be delivered whole, nothing unwinds into
// sockmod2 and no exception stays pending.
#include "COL/COLdll.h"
#include "contracts/VRNlibraryContract.h"
#include "platform/PLATwindows.h"
#include "standins/sockmod2/SOCKstandinControl.h"
#include "standins/vrn_core/VRNstandinControl.h"
#include "tests/support/TESTfakeJni.h"
#include "tests/support/TESTsupport.h"
#include "tests/support/TESTvrnNatives.h"

#include <gtest/gtest.h>

#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace {

const char* const kConnectionClass = "com/olvenmark/varnel/LlpConnection";

typedef TESTvrnNative Row;

std::vector<Row> rows() { return TESTvrnNatives({"LlpServer", "LlpConnection", "LlpClient"}); }

std::string text_of(const std::u16string& text) { return std::string(text.begin(), text.end()); }

// One fake JVM for the whole program: vrn_java keeps the JavaVM of its first server and
// its first client. The Java classes record each call of an event method in words.
class Bridge {
public:
  static Bridge& get() {
    static Bridge bridge;
    return bridge;
  }
  TESTfakeJni fake;
  COLdll library;
  std::mutex lock;
  std::vector<std::string> events;
  bool throwFromListener = false;

  std::vector<std::string> taken() {
    std::lock_guard<std::mutex> hold(lock);
    std::vector<std::string> out;
    out.swap(events);
    return out;
  }

private:
  Bridge() : library(COLstring(TESTvrnJavaLibrary().c_str()), true) {
    fake.defineHandleClass("com/olvenmark/varnel/VarnelException", "java/lang/RuntimeException");
    fake.defineHandleClass(kConnectionClass);
    fake.defineClass("com/olvenmark/varnel/LlpServer");
    fake.defineClass("com/olvenmark/varnel/LlpClient");
    struct Event {
      const char *className, *method, *signature;
    };
    const Event events[] = {
        {"LlpServer", "errorReceived", "(Ljava/lang/String;I)V"},
        {"LlpServer", "clientConnected", "(Lcom/olvenmark/varnel/LlpConnection;)V"},
        {"LlpServer", "clientDisconnected", "(Lcom/olvenmark/varnel/LlpConnection;)V"},
        {"LlpServer", "clientErrorReceived", "(Lcom/olvenmark/varnel/LlpConnection;Ljava/lang/String;I)V"},
        {"LlpServer", "messageReceived", "(Lcom/olvenmark/varnel/LlpConnection;Ljava/lang/String;)V"},
        {"LlpServer", "dataIgnored", "(Lcom/olvenmark/varnel/LlpConnection;Ljava/lang/String;)V"},
        {"LlpClient", "connected", "()V"},
        {"LlpClient", "closed", "()V"},
        {"LlpClient", "messageReceived", "(Ljava/lang/String;)V"},
        {"LlpClient", "dataIgnored", "(Ljava/lang/String;)V"},
        {"LlpClient", "errorReceived", "(Ljava/lang/String;I)V"},
    };
    for (const Event& event : events) {
      std::string signature = event.signature;
      std::string method = event.method;
      fake.defineMethod(std::string("com/olvenmark/varnel/") + event.className, method, signature,
                        [this, method, signature](jobject, const std::vector<jvalue>& args) {
                          // In words: each argument in the signature's order.
                          std::string words = method;
                          size_t a = 0;
                          for (size_t i = 1; signature[i] != ')'; ++i, ++a) {
                            if (signature[i] == 'I') {
                              words += " " + std::to_string(args[a].i);
                              continue;
                            }
                            size_t end = signature.find(';', i);
                            std::string type = signature.substr(i + 1, end - i - 1);
                            i = end;
                            jobject value = args[a].l;
                            if (value == nullptr) words += " null";
                            else if (type == kConnectionClass) words += " connection " + std::to_string(fake.valueOf(value));
                            else words += " \"" + text_of(fake.textOf(value)) + "\"";
                          }
                          {
                            std::lock_guard<std::mutex> hold(lock);
                            this->events.push_back(words);
                          }
                          if (throwFromListener) fake.throwPending("java/lang/IllegalStateException", "thrown by the listener");
                          return jvalue{};
                        });
    }
    // Sockets are started by the process that hosts the bridge (a JVM starts them itself).
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0) ADD_FAILURE() << "WSAStartup";
    // The first server and the first client through the bridge install the callbacks.
    typedef jlong (*Create)(JNIEnv*, jobject);
    jlong server = reinterpret_cast<Create>(library.getProc("Java_com_olvenmark_varnel_LlpServer_VRNlistenerCreate"))(
        fake.env(), fake.newObject("com/olvenmark/varnel/LlpServer"));
    jlong client = reinterpret_cast<Create>(library.getProc("Java_com_olvenmark_varnel_LlpClient_VRNclientCreate"))(
        fake.env(), fake.newObject("com/olvenmark/varnel/LlpClient"));
    VRNlistenerRelease(reinterpret_cast<VRNhandle>(static_cast<intptr_t>(server)));
    VRNclientRelease(reinterpret_cast<VRNhandle>(static_cast<intptr_t>(client)));
  }
};

jlong as_long(VRNhandle handle) { return static_cast<jlong>(reinterpret_cast<intptr_t>(handle)); }
VRNhandle as_handle(jlong value) { return reinterpret_cast<VRNhandle>(static_cast<intptr_t>(value)); }

// Calls a native of the given signature with arguments made from the row: the handle,
// then `second` for a second long, 0 for each int, the text for each string (null at
// nullAt). The result in words ("int 0", "text \"x\"", "object 5", "null").
std::string invoke(const Row& row, jobject self, jlong h, jlong second = 0, const std::u16string& text = u"text",
                   int nullAt = -1) {
  TESTfakeJni& fake = Bridge::get().fake;
  JNIEnv* env = fake.env();
  COLdllProc proc = Bridge::get().library.getProc(row.symbol().c_str());
  typedef JNIEnv E;
  typedef jobject O;
  typedef jstring S;
  auto str = [&](int at) { return at == nullAt ? S(nullptr) : fake.newString(text); };
  auto words = [&](jobject s) -> std::string {
    if (s == nullptr) return "null";
    if (fake.classNameOf(s) == "java/lang/String") return "text \"" + text_of(fake.textOf(s)) + "\"";
    return "object " + std::to_string(fake.valueOf(s));
  };
  const std::string& g = row.signature;
  if (g == "()J") return "long " + std::to_string(reinterpret_cast<jlong (*)(E*, O)>(proc)(env, self));
  if (g == "(J)J") return "long " + std::to_string(reinterpret_cast<jlong (*)(E*, O, jlong)>(proc)(env, self, h));
  if (g == "(J)I") return "int " + std::to_string(reinterpret_cast<jint (*)(E*, O, jlong)>(proc)(env, self, h));
  if (g == "(J)Z") return "flag " + std::to_string(int(reinterpret_cast<jboolean (*)(E*, O, jlong)>(proc)(env, self, h)));
  if (g == "(J)Ljava/lang/String;") return words(reinterpret_cast<S (*)(E*, O, jlong)>(proc)(env, self, h));
  if (g == "(JI)Lcom/olvenmark/varnel/LlpConnection;")
    return words(reinterpret_cast<O (*)(E*, O, jlong, jint)>(proc)(env, self, h, 0));
  if (g == "(JLjava/lang/String;Ljava/lang/String;I)Ljava/lang/String;")
    return words(reinterpret_cast<S (*)(E*, O, jlong, S, S, jint)>(proc)(env, self, h, str(0), str(1), 8));
  if (g == "(J)V") reinterpret_cast<void (*)(E*, O, jlong)>(proc)(env, self, h);
  else if (g == "(JJ)V") reinterpret_cast<void (*)(E*, O, jlong, jlong)>(proc)(env, self, h, second);
  else if (g == "(JI)V") reinterpret_cast<void (*)(E*, O, jlong, jint)>(proc)(env, self, h, 0);
  else if (g == "(JLjava/lang/String;)V") reinterpret_cast<void (*)(E*, O, jlong, S)>(proc)(env, self, h, str(0));
  else if (g == "(JLjava/lang/String;I)V")
    reinterpret_cast<void (*)(E*, O, jlong, S, jint)>(proc)(env, self, h, str(0), jint(second));
  else
    return "unknown signature " + g;
  return "void";
}

// Clears the pending exception, giving back the error handle it carries.
void drop_pending() {
  TESTfakeJni& fake = Bridge::get().fake;
  jthrowable thrown = fake.pending();
  if (thrown != nullptr && fake.valueOf(thrown) != 0) VRNerrorRelease(as_handle(fake.valueOf(thrown)));
  fake.clearPending();
}

Row row_named(const std::string& className, const std::string& method) {
  for (const Row& row : rows())
    if (row.className == className && row.method == method) return row;
  ADD_FAILURE() << "no native " << className << "." << method;
  return Row();
}

// The listener, connection and client of one case, made through the stand-in directly.
class VRNllpNatives : public ::testing::Test {
protected:
  void SetUp() override {
    SOCKstandinReset();
    Bridge::get().taken();
    ASSERT_EQ(nullptr, VRNlistenerCreate(&listener));
    ASSERT_EQ(nullptr, VRNconnectionCreate(&connection));
    ASSERT_EQ(nullptr, VRNclientCreate(&client));
    serverObject = Bridge::get().fake.newObject("com/olvenmark/varnel/LlpServer");
    clientObject = Bridge::get().fake.newObject("com/olvenmark/varnel/LlpClient");
  }
  void TearDown() override {
    TESTfakeJni& fake = Bridge::get().fake;
    drop_pending();
    Bridge::get().throwFromListener = false;
    if (listener) { EXPECT_EQ(nullptr, VRNlistenerRelease(listener)); }
    if (connection) { EXPECT_EQ(nullptr, VRNconnectionRelease(connection)); }
    if (client) { EXPECT_EQ(nullptr, VRNclientRelease(client)); }
    EXPECT_EQ(std::vector<std::string>{}, fake.violations());
    EXPECT_EQ(0, fake.openFrames());
    EXPECT_EQ(0, fake.borrowedChars());
    EXPECT_EQ(0, SOCKstandinLiveCount("error"));
    EXPECT_EQ(0, VRNstandinLiveCount("error")) << "an error of the text conversion left behind";
    EXPECT_EQ(0, VRNstandinLiveCount("multibyte"));
    EXPECT_EQ(0, VRNstandinLiveCount("wide"));
  }

  jobject selfOf(const Row& row) { return row.className == "LlpClient" ? clientObject : serverObject; }
  jlong handleOf(const Row& row) {
    return as_long(row.className == "LlpServer" ? listener : row.className == "LlpClient" ? client : connection);
  }
  // Registers the Java object of the class with its handle, through the native.
  jlong addListener(const std::string& className) {
    Row add = row_named(className, className == "LlpServer" ? "VRNlistenerAddListener" : "VRNclientAddListener");
    std::string made = invoke(add, selfOf(add), handleOf(add));
    EXPECT_EQ(nullptr, Bridge::get().fake.pending()) << made;
    return std::stoll(made.substr(5));
  }
  void release(const std::string& className, jlong reference) {
    Row rel = row_named(className, className == "LlpServer" ? "VRNlistenerRelease" : "VRNclientRelease");
    (className == "LlpServer" ? VRNlistenerAddRef(listener) : VRNclientAddRef(client));  // the release takes one
    invoke(rel, selfOf(rel), handleOf(rel), reference);
    EXPECT_EQ(nullptr, Bridge::get().fake.pending());
  }

  VRNhandle listener = nullptr;
  VRNhandle connection = nullptr;
  VRNhandle client = nullptr;
  jobject serverObject = nullptr;
  jobject clientObject = nullptr;
};

TEST_F(VRNllpNatives, EveryNativeOfTheTableIsFoundByItsName) {
  std::map<std::string, int> perClass;
  for (const Row& row : rows()) {
    ++perClass[row.className];
    EXPECT_TRUE(Bridge::get().library.hasProc(row.symbol().c_str())) << row.symbol();
  }
  EXPECT_EQ(20, perClass["LlpServer"]);
  EXPECT_EQ(10, perClass["LlpConnection"]);
  EXPECT_EQ(16, perClass["LlpClient"]);
}

TEST_F(VRNllpNatives, AFailureGivesEachShapesValueAndTheExceptionCarriesTheError) {
  const std::map<std::string, std::string> failure = {
      {"GuardedCreate", "long 0"}, {"LlpCreate", "long 0"},   {"LlpAddListener", "long 0"},
      {"LlpRelease", "void"},      {"FramedCall", "void"},    {"MessageLoop", "void"},
      {"IntGetter", "int 0"},      {"IntSetter", "void"},     {"FlagGetter", "flag 0"},
      {"TextGetter", "null"},      {"TextSetter", "void"},    {"ConnectionGetter", "null"},
      {"Printable", "null"},       {"Connect", "void"},       {"GuardedCall", "void"},
  };
  TESTfakeJni& fake = Bridge::get().fake;
  int globals = fake.globalReferences();
  for (const Row& row : rows()) {
    ASSERT_TRUE(SOCKstandinFailNext(row.function.c_str(), "Injected failure", "Key", "Value")) << row.method;
    std::string result = invoke(row, selfOf(row), handleOf(row));
    ASSERT_EQ(1u, failure.count(row.shape)) << row.shape;
    EXPECT_EQ(failure.at(row.shape), result) << row.method;
    jthrowable thrown = fake.pending();
    if (thrown == nullptr) {
      ADD_FAILURE() << row.method << ": no exception";
      continue;
    }
    EXPECT_EQ("com/olvenmark/varnel/VarnelException", fake.classNameOf(thrown)) << row.method;
    VRNhandle error = as_handle(fake.valueOf(thrown));
    const char* description = nullptr;
    ASSERT_NE(nullptr, error) << row.method;
    EXPECT_EQ(nullptr, VRNerrorGetDescription(error, &description)) << row.method;
    EXPECT_STREQ("Injected failure", description) << row.method;
    EXPECT_EQ(nullptr, VRNerrorRelease(error)) << row.method;
    fake.clearPending();
    EXPECT_EQ(globals, fake.globalReferences()) << row.method << ": a listener reference left behind";
    EXPECT_EQ(0, fake.openFrames()) << row.method;
  }
}

TEST_F(VRNllpNatives, OneNativeOfEachShapeSucceeds) {
  TESTfakeJni& fake = Bridge::get().fake;
  std::set<std::string> done;
  for (const Row& row : rows()) {
    if (!done.insert(row.shape).second) continue;
    // The loop would wait for a stop: one is already waiting for it.
    if (row.shape == "MessageLoop") { ASSERT_EQ(nullptr, VRNlistenerStopMessageLoop(listener)); }
    if (row.shape == "ConnectionGetter") continue;  // needs a peer: the JVM suite
    if (row.shape == "LlpRelease") VRNlistenerAddRef(listener);
    jlong second = 0;
    if (row.shape == "Connect") {
      int port = 0;
      unsigned char listening = 0;
      ASSERT_EQ(nullptr, VRNlistenerGetIsListening(listener, &listening));
      if (!listening) {
        ASSERT_EQ(nullptr, VRNlistenerStartListen(listener, 0));
      }
      ASSERT_EQ(nullptr, VRNlistenerGetPort(listener, &port));
      second = port;
    }
    std::string result = invoke(row, selfOf(row), handleOf(row), second, row.shape == "Connect" || row.shape == "TextSetter" ? u"127.0.0.1" : u"text");
    EXPECT_EQ(nullptr, fake.pending()) << row.method << " gave " << result << ": "
                                       << (fake.pending() ? fake.messageOf(fake.pending()) : "");
    drop_pending();
    if (row.shape == "LlpCreate" || row.shape == "GuardedCreate") {
      ASSERT_NE("long 0", result) << row.method;
      VRNhandle made = as_handle(std::stoll(result.substr(5)));
      EXPECT_EQ(nullptr, row.className == "LlpServer" ? VRNlistenerRelease(made) : VRNconnectionRelease(made));
    } else if (row.shape == "LlpAddListener") {
      release(row.className, std::stoll(result.substr(5)));
    } else if (row.shape == "GuardedCall") {
      EXPECT_EQ(nullptr, VRNlistenerRelease(listener));  // the reference that AddRef took
    }
  }
  EXPECT_EQ(15u, done.size());  // ConnectionGetter among them, not called
}

// The arguments as sockmod2 receives them: the 32-bit port and index, the one-byte flag
// handed back as it stands, both strings of MakePrintable in order.
TEST_F(VRNllpNatives, ArgumentsAndResultsCrossAtTheirWidths) {
  TESTfakeJni& fake = Bridge::get().fake;
  typedef void (*SetInt)(JNIEnv*, jobject, jlong, jint);
  reinterpret_cast<SetInt>(Bridge::get().library.getProc("Java_com_olvenmark_varnel_LlpServer_VRNlistenerStartListen"))(
      fake.env(), serverObject, as_long(listener), 0);
  ASSERT_EQ(nullptr, fake.pending());
  int port = 0;
  ASSERT_EQ(nullptr, VRNlistenerGetPort(listener, &port));
  EXPECT_EQ("int " + std::to_string(port), invoke(row_named("LlpServer", "VRNlistenerGetPort"), serverObject, as_long(listener)));
  EXPECT_EQ("flag 1", invoke(row_named("LlpServer", "VRNlistenerGetIsListening"), serverObject, as_long(listener)));
  EXPECT_EQ("flag 0", invoke(row_named("LlpClient", "VRNclientGetIsConnected"), clientObject, as_long(client)));
  EXPECT_EQ("int 0", invoke(row_named("LlpServer", "VRNlistenerCountOfConnection"), serverObject, as_long(listener)));
  invoke(row_named("LlpServer", "VRNlistenerStopListen"), serverObject, as_long(listener));
  std::string journal = SOCKstandinJournal();
  EXPECT_NE(std::string::npos, journal.find("VRNlistenerStartListen")) << journal;
  EXPECT_NE(std::string::npos, journal.find(" 0")) << journal;
  SOCKstandinReset();
  invoke(row_named("LlpClient", "VRNclientConnect"), clientObject, as_long(client), 1, u"127.0.0.1");
  drop_pending();  // nobody listens on port 1
  journal = SOCKstandinJournal();
  EXPECT_NE(std::string::npos, journal.find("\"127.0.0.1\" 1")) << journal;
}

TEST_F(VRNllpNatives, AddListenerKeepsOneGlobalReferenceAndARefusedOneKeepsNone) {
  TESTfakeJni& fake = Bridge::get().fake;
  int globals = fake.globalReferences();
  jlong first = addListener("LlpServer");
  EXPECT_EQ(globals + 1, fake.globalReferences());
  jlong second = addListener("LlpServer");
  EXPECT_EQ(first, second) << "the registered reference is handed back";
  EXPECT_EQ(globals + 1, fake.globalReferences());
  SOCKstandinReset();
  release("LlpServer", first);
  EXPECT_EQ(globals, fake.globalReferences());
  std::string journal = SOCKstandinJournal();
  size_t removed = journal.find("VRNlistenerRemoveListener");
  EXPECT_NE(std::string::npos, removed) << journal;
  EXPECT_LT(removed, journal.find("VRNlistenerRelease")) << "removed before the handle is released: " << journal;
  // Released twice with the same reference: the second is refused, and nothing is deleted
  // or released a second time.
  VRNlistenerAddRef(listener);
  SOCKstandinReset();
  invoke(row_named("LlpServer", "VRNlistenerRelease"), serverObject, as_long(listener), first);
  ASSERT_NE(nullptr, fake.pending());
  EXPECT_NE(std::string::npos, fake.messageOf(fake.pending()).find("VRNlistenerRelease"))
      << fake.messageOf(fake.pending());
  fake.clearPending();
  EXPECT_EQ(globals, fake.globalReferences());
  EXPECT_EQ(std::string(), SOCKstandinJournal()) << "the library was called";
  EXPECT_EQ(nullptr, VRNlistenerRelease(listener));  // the reference that AddRef took

  ASSERT_TRUE(SOCKstandinFailNext("VRNclientAddListener", "Refused", nullptr, nullptr));
  Row add = row_named("LlpClient", "VRNclientAddListener");
  EXPECT_EQ("long 0", invoke(add, clientObject, as_long(client)));
  ASSERT_NE(nullptr, fake.pending());
  EXPECT_EQ(nullptr, VRNerrorRelease(as_handle(fake.valueOf(fake.pending()))));
  fake.clearPending();
  EXPECT_EQ(globals, fake.globalReferences()) << "the refused registration's reference is deleted";
}

// The JVM hands a deleted global reference's value out again (here the same object twice,
// whose references the fake makes alike): server A's listener reference, deleted by a
// Release whose release of A failed, comes back as server B's. The host's retry of A's
// Release gives A back and leaves B's listener alone.
TEST_F(VRNllpNatives, ARetriedReleaseTouchesOnlyItsOwnServersListener) {
  TESTfakeJni& fake = Bridge::get().fake;
  Bridge& bridge = Bridge::get();
  int globals = fake.globalReferences();
  Row rel = row_named("LlpServer", "VRNlistenerRelease");
  jlong listenerOfA = addListener("LlpServer");
  VRNlistenerAddRef(listener);  // the release takes one
  ASSERT_TRUE(SOCKstandinFailNext("VRNlistenerRelease", "Not now", nullptr, nullptr));
  invoke(rel, serverObject, as_long(listener), listenerOfA);
  ASSERT_NE(nullptr, fake.pending());
  EXPECT_EQ(nullptr, VRNerrorRelease(as_handle(fake.valueOf(fake.pending()))));
  fake.clearPending();
  ASSERT_EQ(globals, fake.globalReferences()) << "A's listener reference deleted";

  VRNhandle b = nullptr;
  ASSERT_EQ(nullptr, VRNlistenerCreate(&b));
  Row add = row_named("LlpServer", "VRNlistenerAddListener");
  jlong listenerOfB = std::stoll(invoke(add, serverObject, as_long(b)).substr(5));
  ASSERT_EQ(globals + 1, fake.globalReferences());
  EXPECT_NE(listenerOfA, listenerOfB) << "A's long names B's listener";

  SOCKstandinReset();
  invoke(rel, serverObject, as_long(listener), listenerOfA);  // the host's retry
  EXPECT_EQ(nullptr, fake.pending()) << "A's retry refused";
  drop_pending();
  EXPECT_NE(std::string::npos, std::string(SOCKstandinJournal()).find("VRNlistenerRelease")) << "A given back";
  EXPECT_EQ(globals + 1, fake.globalReferences()) << "B's listener reference deleted";
  bridge.taken();
  SOCKstandinListenerEvent(b, "message", connection, "for B", 0, true);
  EXPECT_EQ(1u, bridge.taken().size()) << "B's event reached B's listener";

  invoke(rel, serverObject, as_long(b), listenerOfB);
  EXPECT_EQ(nullptr, fake.pending());
  EXPECT_EQ(globals, fake.globalReferences());
}

TEST_F(VRNllpNatives, EventsReachTheJavaMethodsOnBothRoads) {
  TESTfakeJni& fake = Bridge::get().fake;
  Bridge& bridge = Bridge::get();
  jlong serverReference = addListener("LlpServer");
  jlong clientReference = addListener("LlpClient");
  std::string c = "connection " + std::to_string(as_long(connection));
  int detached = fake.calls("DetachCurrentThread");
  // On a thread without a Java frame FindClass would search the wrong class loader.
  int finds = fake.calls("FindClass");
  for (bool worker : {false, true}) {
    struct Case {
      bool server;
      const char* event;
      const char* text;
      int code;
      std::string heard;
    };
    const Case cases[] = {
        {true, "listenerError", "refused", -7, "errorReceived \"refused\" -7"},
        {true, "connect", nullptr, 0, "clientConnected " + c},
        {true, "disconnect", nullptr, 0, "clientDisconnected " + c},
        {true, "connectionError", "reset", 104, "clientErrorReceived " + c + " \"reset\" 104"},
        {true, "message", "MSH|1", 0, "messageReceived " + c + " \"MSH|1\""},
        {true, "ignoredData", "junk", 0, "dataIgnored " + c + " \"junk\""},
        {true, "message", nullptr, 0, "messageReceived " + c + " null"},
        {false, "connected", nullptr, 0, "connected"},
        {false, "closed", nullptr, 0, "closed"},
        {false, "message", "MSA|AA", 0, "messageReceived \"MSA|AA\""},
        {false, "ignoredData", nullptr, 0, "dataIgnored null"},
        {false, "error", "gone", 3, "errorReceived \"gone\" 3"},
    };
    for (const Case& one : cases) {
      bool raised = one.server ? SOCKstandinListenerEvent(listener, one.event, connection, one.text, one.code, worker)
                               : SOCKstandinClientEvent(client, one.event, one.text, one.code, worker);
      ASSERT_TRUE(raised) << one.event;
      EXPECT_EQ(std::vector<std::string>{one.heard}, bridge.taken()) << one.event << (worker ? " on a worker" : "");
    }
  }
  EXPECT_EQ(detached + 12, fake.calls("DetachCurrentThread")) << "each worker attached for its event only";
  EXPECT_EQ(finds, fake.calls("FindClass")) << "no class looked up by an event";
  EXPECT_TRUE(fake.currentThreadAttached());
  release("LlpServer", serverReference);
  release("LlpClient", clientReference);
}

// The connection class is the one the first server's creation found: a class that no
// longer is found by name (as on a thread whose loader does not know it) changes nothing.
TEST_F(VRNllpNatives, EventsUseTheConnectionClassFoundWhenTheServerWasCreated) {
  TESTfakeJni& fake = Bridge::get().fake;
  Bridge& bridge = Bridge::get();
  jlong serverReference = addListener("LlpServer");
  std::string c = "connection " + std::to_string(as_long(connection));
  int globals = fake.globalReferences();
  // A worker's FindClass searching a loader that lacks the class, then a class gone by name.
  fake.faults.classesOfAChildLoader = true;
  ASSERT_TRUE(SOCKstandinListenerEvent(listener, "message", connection, "MSH|1", 0, true));
  EXPECT_EQ(std::vector<std::string>{"messageReceived " + c + " \"MSH|1\""}, bridge.taken()) << "child loader";
  fake.faults.classesOfAChildLoader = false;
  fake.removeClass(kConnectionClass);
  for (bool worker : {false, true}) {
    ASSERT_TRUE(SOCKstandinListenerEvent(listener, "connect", connection, nullptr, 0, worker));
    EXPECT_EQ(std::vector<std::string>{"clientConnected " + c}, bridge.taken()) << (worker ? "on a worker" : "");
    EXPECT_EQ(nullptr, fake.pending());
  }
  fake.defineHandleClass(kConnectionClass);
  // A later server's creation finds nothing anew and keeps nothing more.
  Row create = row_named("LlpServer", "VRNlistenerCreate");
  std::string made = invoke(create, serverObject, 0);
  EXPECT_EQ(nullptr, VRNlistenerRelease(as_handle(std::stoll(made.substr(5)))));
  EXPECT_EQ(globals, fake.globalReferences());
  release("LlpServer", serverReference);
}

// What cannot be delivered whole is not delivered: the listener is not called with a null
// connection, a throwing listener's exception is cleared, a missing method is not called;
// in each case the thread is left with nothing pending and the next event gets through.
TEST_F(VRNllpNatives, AnEventThatCannotBeDeliveredLeavesNothingPending) {
  TESTfakeJni& fake = Bridge::get().fake;
  Bridge& bridge = Bridge::get();
  jlong serverReference = addListener("LlpServer");
  std::string c = "connection " + std::to_string(as_long(connection));

  fake.faults.newObjectFails = true;
  for (bool worker : {false, true}) {
    ASSERT_TRUE(SOCKstandinListenerEvent(listener, "message", connection, "MSH|2", 0, worker));
    EXPECT_EQ(std::vector<std::string>{}, bridge.taken()) << "no call with a null connection";
    EXPECT_EQ(nullptr, fake.pending());
  }
  fake.faults.newObjectFails = false;

  bridge.throwFromListener = true;
  ASSERT_TRUE(SOCKstandinListenerEvent(listener, "message", connection, "MSH|3", 0, false));
  EXPECT_EQ(nullptr, fake.pending()) << "the listener's exception is cleared";
  EXPECT_GE(fake.calls("ExceptionDescribe"), 1);
  bridge.throwFromListener = false;
  EXPECT_EQ(std::vector<std::string>{"messageReceived " + c + " \"MSH|3\""}, bridge.taken());

  fake.removeMethod("com/olvenmark/varnel/LlpServer", "dataIgnored",
                    "(Lcom/olvenmark/varnel/LlpConnection;Ljava/lang/String;)V");
  ASSERT_TRUE(SOCKstandinListenerEvent(listener, "ignoredData", connection, "junk", 0, true));
  EXPECT_EQ(nullptr, fake.pending());

  ASSERT_TRUE(SOCKstandinListenerEvent(listener, "message", connection, "MSH|4", 0, false));
  EXPECT_EQ(std::vector<std::string>{"messageReceived " + c + " \"MSH|4\""}, bridge.taken());
  fake.defineMethod("com/olvenmark/varnel/LlpServer", "dataIgnored",
                    "(Lcom/olvenmark/varnel/LlpConnection;Ljava/lang/String;)V");
  release("LlpServer", serverReference);
}

// Bytes off the wire that vrn_core's conversion refuses still reach the listener, each
// invalid sequence replaced.
TEST_F(VRNllpNatives, AnInvalidUtf8TextReachesTheListenerRepaired) {
  Bridge& bridge = Bridge::get();
  jlong clientReference = addListener("LlpClient");
  ASSERT_TRUE(SOCKstandinClientEvent(client, "message", "M\xff" "A", 0, true));
  std::vector<std::string> heard = bridge.taken();
  ASSERT_EQ(1u, heard.size());
  EXPECT_EQ(0u, heard[0].find("messageReceived \"M")) << heard[0];
  EXPECT_EQ(nullptr, Bridge::get().fake.pending());
  release("LlpClient", clientReference);
}

TEST_F(VRNllpNatives, NoEventReachesAReleasedListener) {
  Bridge& bridge = Bridge::get();
  jlong serverReference = addListener("LlpServer");
  release("LlpServer", serverReference);
  SOCKstandinListenerEvent(listener, "message", connection, "late", 0, true);
  EXPECT_EQ(std::vector<std::string>{}, bridge.taken());
}

}  // namespace
