// The natives of Table, Config, VarnelException, VarnelDateTime and VarnelEncoding through
// the fake JNI environment (both builds; under Wine the only JVM there is): each is found
// by its JNI name, returns its row's value after a failure with the error adopted, refuses
// a null string before any library call, and hands its arguments to the library in the
// widths it takes.
#include "COL/COLdll.h"
#include "contracts/VRNlibraryContract.h"
#include "standins/sockmod2/SOCKstandinControl.h"
#include "standins/vrn_core/VRNstandinControl.h"
#include "tests/support/TESTfakeJni.h"
#include "tests/support/TESTvrnNatives.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string definition_file() { return TESTbuildPath(VRN_TEST_DEFINITION); }

const char* const kAdt =
    "MSH|^~\\&|SEND|FAC|RECV|RFAC|20260101||ADT^A01|42|P|2.5\rEVN|A01\rPID|1||7^^^H||Doe^Jane\r";

typedef TESTvrnNative Row;

const std::set<std::string>& data_classes() {
  static const std::set<std::string> classes = {"Table", "Config", "VarnelException", "VarnelDateTime"};
  return classes;
}

std::vector<Row> all_rows() { return TESTvrnNatives(); }

std::vector<Row> data_rows() {
  std::vector<Row> rows;
  for (const Row& row : all_rows())
    if (data_classes().count(row.className)) rows.push_back(row);
  return rows;
}

jlong as_long(VRNhandle handle) { return static_cast<jlong>(reinterpret_cast<intptr_t>(handle)); }
VRNhandle as_handle(jlong value) { return reinterpret_cast<VRNhandle>(static_cast<intptr_t>(value)); }

jvalue J(jlong v) { jvalue a{}; a.j = v; return a; }
jvalue I(jint v) { jvalue a{}; a.i = v; return a; }
jvalue C(jchar v) { jvalue a{}; a.c = v; return a; }
jvalue S(jshort v) { jvalue a{}; a.s = v; return a; }
jvalue D(jdouble v) { jvalue a{}; a.d = v; return a; }
jvalue L(jobject v) { jvalue a{}; a.l = v; return a; }

class Fixture : public ::testing::Test {
protected:
  static TESTfakeJni& fake() {
    static TESTfakeJni* made = [] {
      TESTfakeJni* f = new TESTfakeJni();
      f->defineHandleClass("com/olvenmark/varnel/VarnelException", "java/lang/RuntimeException");
      return f;
    }();
    return *made;
  }
  static COLdll& library() {
    static COLdll* loaded = new COLdll(COLstring(TESTvrnJavaLibrary().c_str()), true);
    return *loaded;
  }

  void SetUp() override {
    VRNstandinReset();
    ASSERT_EQ(nullptr, VRNengineCreate(&engine));
    ASSERT_EQ(nullptr, VRNengineLoad(engine, definition_file().c_str()));
    ASSERT_EQ(nullptr, VRNtableCreate(&message));
    int64_t index = -1;
    ASSERT_EQ(nullptr, VRNengineParseMessageA(engine, kAdt, &index, message));
    ASSERT_EQ(nullptr, VRNtableSubTable(message, 0, 0, &msh));
    ASSERT_EQ(nullptr, VRNengineConfig(engine, &config));
    // An error object with one parameter, as vrn_core returns them.
    VRNstandinFailNext("VRNtableAddRow", "An error", "Key", "Value");
    error = VRNtableAddRow(msh);
    ASSERT_NE(nullptr, error);
    ASSERT_EQ(nullptr, VRNtableSetDouble(msh, 9, 0, 2.5));
    ASSERT_EQ(nullptr, VRNtableSetInteger(msh, 10, 0, 42));
    ASSERT_EQ(nullptr, VRNtableSetDateTime(msh, 11, 0, -5));
    ASSERT_EQ(nullptr, VRNdateTimeCreate(&dateTime));
    ASSERT_EQ(nullptr, VRNdateTimeSetDATE(dateTime, 46023.5));  // 2026-01-01 12:00
    dumps = VRNstandinLiveCount("dump");
    VRNstandinReset();
  }
  void TearDown() override {
    fake().clearPending();
    EXPECT_EQ(nullptr, VRNdateTimeRelease(dateTime));
    EXPECT_EQ(nullptr, VRNerrorRelease(error));
    EXPECT_EQ(nullptr, VRNtableRelease(message));
    EXPECT_EQ(nullptr, VRNengineRelease(engine));
    EXPECT_EQ(std::vector<std::string>{}, fake().violations());
    EXPECT_EQ(0, fake().borrowedChars());
    EXPECT_EQ(0, VRNstandinLiveCount("error"));
    EXPECT_EQ(0, VRNstandinLiveCount("multibyte"));
    EXPECT_EQ(0, VRNstandinLiveCount("wide"));
    EXPECT_EQ(0, VRNstandinLiveCount("datetime"));
    EXPECT_EQ(dumps, VRNstandinLiveCount("dump"));
  }

  jstring text(const std::string& value) { return fake().newString(std::u16string(value.begin(), value.end())); }
  std::string words(jstring s) {
    if (s == nullptr) return "null";
    std::u16string t = fake().textOf(s);
    return "text \"" + std::string(t.begin(), t.end()) + "\"";
  }

  // Calls a native by its row; the result in words ("int -1", "text \"x\"", "void").
  std::string invoke(const Row& row, const std::vector<jvalue>& a, jobject self = nullptr) {
    COLdllProc proc = library().getProc(row.symbol().c_str());
    JNIEnv* env = fake().env();
    if (self == nullptr) self = fake().newObject("java/lang/Object");
    typedef JNIEnv E;
    typedef jobject O;
    typedef jstring T;
    auto n = [](const char* kind, long long v) { return std::string(kind) + " " + std::to_string(v); };
    auto dbl = [](double v) { std::ostringstream out; out << "double " << v; return out.str(); };
    auto flag = [](jboolean v) { return std::string(v ? "true" : "false"); };
    const std::string& s = row.signature;
#define VRN_CALL(R, ...) reinterpret_cast<R (*)(E*, O, ##__VA_ARGS__)>(proc)
    if (s == "()J") return n("long", VRN_CALL(jlong)(env, self));
    if (s == "(J)V") { VRN_CALL(void, jlong)(env, self, a[0].j); return "void"; }
    if (s == "(J)Ljava/lang/String;") return words(VRN_CALL(T, jlong)(env, self, a[0].j));
    if (s == "(JII)J") return n("long", VRN_CALL(jlong, jlong, jint, jint)(env, self, a[0].j, a[1].i, a[2].i));
    if (s == "(J)I") return n("int", VRN_CALL(jint, jlong)(env, self, a[0].j));
    if (s == "(JI)I") return n("int", VRN_CALL(jint, jlong, jint)(env, self, a[0].j, a[1].i));
    if (s == "(JI)Ljava/lang/String;") return words(VRN_CALL(T, jlong, jint)(env, self, a[0].j, a[1].i));
    if (s == "(JII)Z") return flag(VRN_CALL(jboolean, jlong, jint, jint)(env, self, a[0].j, a[1].i, a[2].i));
    if (s == "(JII)I") return n("int", VRN_CALL(jint, jlong, jint, jint)(env, self, a[0].j, a[1].i, a[2].i));
    if (s == "(JII)Ljava/lang/String;") return words(VRN_CALL(T, jlong, jint, jint)(env, self, a[0].j, a[1].i, a[2].i));
    if (s == "(JII)D") return dbl(VRN_CALL(jdouble, jlong, jint, jint)(env, self, a[0].j, a[1].i, a[2].i));
    if (s == "(JIID)V") { VRN_CALL(void, jlong, jint, jint, jdouble)(env, self, a[0].j, a[1].i, a[2].i, a[3].d); return "void"; }
    if (s == "(JIII)V") { VRN_CALL(void, jlong, jint, jint, jint)(env, self, a[0].j, a[1].i, a[2].i, a[3].i); return "void"; }
    if (s == "(JIIJ)V") { VRN_CALL(void, jlong, jint, jint, jlong)(env, self, a[0].j, a[1].i, a[2].i, a[3].j); return "void"; }
    if (s == "(JLjava/lang/String;)I") return n("int", VRN_CALL(jint, jlong, T)(env, self, a[0].j, T(a[1].l)));
    if (s == "(JIILjava/lang/String;)V") {
      VRN_CALL(void, jlong, jint, jint, T)(env, self, a[0].j, a[1].i, a[2].i, T(a[3].l));
      return "void";
    }
    if (s == "(JIC)V") { VRN_CALL(void, jlong, jint, jchar)(env, self, a[0].j, a[1].i, a[2].c); return "void"; }
    if (s == "(JI)C") return n("char", VRN_CALL(jchar, jlong, jint)(env, self, a[0].j, a[1].i));
    if (s == "(JC)V") { VRN_CALL(void, jlong, jchar)(env, self, a[0].j, a[1].c); return "void"; }
    if (s == "(J)C") return n("char", VRN_CALL(jchar, jlong)(env, self, a[0].j));
    if (s == "(Ljava/lang/String;)J") return n("long", VRN_CALL(jlong, T)(env, self, T(a[0].l)));
    if (s == "(JLjava/lang/String;)Ljava/lang/String;") return words(VRN_CALL(T, jlong, T)(env, self, a[0].j, T(a[1].l)));
    if (s == "(J)D") return dbl(VRN_CALL(jdouble, jlong)(env, self, a[0].j));
    if (s == "(J)S") return n("short", VRN_CALL(jshort, jlong)(env, self, a[0].j));
    if (s == "(JD)V") { VRN_CALL(void, jlong, jdouble)(env, self, a[0].j, a[1].d); return "void"; }
    if (s == "(JS)V") { VRN_CALL(void, jlong, jshort)(env, self, a[0].j, a[1].s); return "void"; }
    if (s == "(JSS)V") { VRN_CALL(void, jlong, jshort, jshort)(env, self, a[0].j, a[1].s, a[2].s); return "void"; }
    if (s == "(J)Z") return flag(VRN_CALL(jboolean, jlong)(env, self, a[0].j));
    if (s == "()Ljava/lang/String;") return words(VRN_CALL(T)(env, self));
    if (s == "(Ljava/lang/String;)V") { VRN_CALL(void, T)(env, self, T(a[0].l)); return "void"; }
    if (s == "()I") return n("int", VRN_CALL(jint)(env, self));
    if (s == "(I)Ljava/lang/String;") return words(VRN_CALL(T, jint)(env, self, a[0].i));
#undef VRN_CALL
    return "unknown signature " + s;
  }

  std::string call(const std::string& method, const std::vector<jvalue>& a, jobject self = nullptr) {
    for (const Row& row : all_rows())
      if (row.method == method) return invoke(row, a, self);
    ADD_FAILURE() << "no native " << method;
    return "";
  }

  // The object a row's class works on, then arguments that the library accepts; a null
  // string where nullAt says.
  std::vector<jvalue> arguments(const Row& row, int nullAt = -1) {
    jlong h = row.className == "Table"             ? as_long(msh)
              : row.className == "Config"          ? as_long(config)
              : row.className == "VarnelException" ? as_long(error)
                                                   : as_long(dateTime);
    std::vector<jvalue> args;
    bool first = true;
    for (size_t i = 1; row.signature[i] != ')'; ++i) {
      char c = row.signature[i];
      int at = int(args.size());
      if (c == 'J') args.push_back(J(first ? h : 0));
      else if (c == 'I') args.push_back(I(args.size() > 1 ? 0 : row.className == "Config" ? 1 : 2));
      else if (c == 'D') args.push_back(D(0.25));
      else if (c == 'C') args.push_back(C('#'));
      else if (c == 'S') args.push_back(S(0));
      else {
        args.push_back(L(at == nullAt ? nullptr : text(row.method == "VRNtableColumnIndex" ? "MSH.3" : "yyyy")));
        i = row.signature.find(';', i);
      }
      first = false;
    }
    return args;
  }

  // The last journal line, its object's address written as "h".
  std::string lastCall() {
    std::string journal = VRNstandinJournal();
    std::string line = journal.substr(journal.rfind('\n') == std::string::npos ? 0 : journal.rfind('\n') + 1);
    size_t space = line.find(' ');
    if (space == std::string::npos) return line;
    size_t end = line.find(' ', space + 1);
    return line.substr(0, space) + " h" + (end == std::string::npos ? "" : line.substr(end));
  }

  VRNhandle adoptedError() {
    jthrowable thrown = fake().pending();
    if (thrown == nullptr || fake().classNameOf(thrown) != "com/olvenmark/varnel/VarnelException") return nullptr;
    return as_handle(fake().valueOf(thrown));
  }

  VRNhandle engine = nullptr, message = nullptr, msh = nullptr, config = nullptr, error = nullptr,
            dateTime = nullptr;
  int dumps = 0;
};

typedef Fixture VRNdataNatives;

TEST_F(VRNdataNatives, EveryNativeOfTheTableIsFoundByItsName) {
  for (const Row& row : all_rows()) EXPECT_TRUE(library().hasProc(row.symbol().c_str())) << row.symbol();
  EXPECT_EQ(53u, data_rows().size());
  // Engine 40, the data and encoding classes 60, the LLP classes 46.
  EXPECT_EQ(146u, all_rows().size());
}

// The value of each shape after vrn_core fails; the exception adopts the error's one reference.
const std::map<std::string, std::string>& failure_values() {
  static const std::map<std::string, std::string> values = {
      {"DirectCreate", "long 0"},         {"DirectCall", "void"},
      {"DirectTextGetter", "null"},       {"DirectCellHandle", "long 0"},
      {"DirectCountGetter", "int 0"},     {"DirectIndexGetter", "int -1"},
      {"DirectColumnType", "int 0"},      {"DirectIndexTextGetter", "null"},
      {"DirectCellFlag", "false"},        {"DirectCellState", "int -1"},
      {"DirectCellText", "null"},         {"DirectCellDouble", "double 0"},
      {"DirectCellInteger", "int 0"},     {"DirectCellLong", "long 0"},
      {"DirectCellDoubleSetter", "void"}, {"DirectCellIntegerSetter", "void"},
      {"DirectCellLongSetter", "void"},   {"TableDump", "null"},
      {"DirectColumnIndex", "int 0"},     {"DirectCellTextSetter", "void"},
      {"ConfigSetSeparator", "void"},     {"ConfigGetSeparator", "char 0"},
      {"ConfigSetRepeat", "void"},        {"ConfigGetRepeat", "char 0"},
      {"ConfigSetEscape", "void"},        {"ConfigGetEscape", "char 0"},
      {"ErrorText", "null"},              {"ErrorCreate", "long 0"},
      {"ErrorParameter", "null"},         {"ErrorCount", "int 0"},
      {"ErrorKey", "null"},               {"DirectDoubleGetter", "double 0"},
      {"SecondFraction", "double 0"},     {"DirectShortGetter", "short 0"},
      {"OffsetIsDefined", "short 0"},     {"DirectDoubleSetter", "void"},
      {"DirectShortSetter", "void"},      {"DirectShortPairSetter", "void"},
      {"DirectShortFlag", "false"},       {"DirectTextToText", "null"},
      {"ErrorRelease", "void"},
  };
  return values;
}

TEST_F(VRNdataNatives, AFailureGivesEachRowsValueAndTheExceptionAdoptsTheError) {
  for (const Row& row : data_rows()) {
    if (row.shape == "NoCall") continue;
    ASSERT_TRUE(VRNstandinFailNext(row.function.c_str(), "Injected failure", "Key", "Value")) << row.method;
    std::string result = invoke(row, arguments(row));
    ASSERT_EQ(1u, failure_values().count(row.shape)) << row.shape;
    EXPECT_EQ(failure_values().at(row.shape), result) << row.method;
    VRNhandle adopted = adoptedError();
    ASSERT_NE(nullptr, adopted) << row.method << ": no VarnelException around the error";
    EXPECT_EQ(1, VRNstandinReferenceCount(adopted)) << row.method;
    const char* value = nullptr;
    EXPECT_EQ(nullptr, VRNerrorGetParameter(adopted, "Key", &value));
    EXPECT_STREQ("Value", value) << row.method;
    EXPECT_EQ(nullptr, VRNerrorRelease(adopted));
    fake().clearPending();
  }
}

TEST_F(VRNdataNatives, OneNativeOfEachShapeSucceeds) {
  // The cell each shape reads or writes in MSH: a sub-table, a double, an integer, a
  // date-time; otherwise MSH-3, a string. An error's key is asked for by index 0.
  const std::map<std::string, jint> firstIndex = {
      {"DirectCellHandle", 8},        {"DirectCellDouble", 9},        {"DirectCellDoubleSetter", 9},
      {"DirectCellInteger", 10},      {"DirectCellIntegerSetter", 10}, {"DirectCellLong", 11},
      {"DirectCellLongSetter", 11},   {"ErrorKey", 0}};
  std::set<std::string> done;
  for (const Row& row : data_rows()) {
    if (!done.insert(row.shape).second) continue;
    std::vector<jvalue> args = arguments(row);
    if (firstIndex.count(row.shape) && args.size() > 1) args[1].i = firstIndex.at(row.shape);
    // The release gives back a reference of its own, not the fixture's.
    if (row.shape == "ErrorRelease") {
      ASSERT_EQ(nullptr, VRNreferenceAddRef(error));
    }
    std::string result = invoke(row, args);
    EXPECT_EQ(nullptr, fake().pending()) << row.method << " gave " << result << ": "
                                         << (fake().pending() ? fake().messageOf(fake().pending()) : "");
    fake().clearPending();
    if (row.shape == "DirectCreate" || row.shape == "ErrorCreate") {
      VRNhandle made = as_handle(std::stoll(result.substr(5)));
      ASSERT_NE(nullptr, made) << row.method;
      EXPECT_EQ(nullptr, row.className == "Table"             ? VRNtableRelease(made)
                         : row.className == "VarnelDateTime" ? VRNdateTimeRelease(made)
                                                             : VRNerrorRelease(made));
    } else if (row.method == "VRNtableAddRef") {
      EXPECT_EQ(nullptr, VRNtableRelease(msh));
    }
  }
  EXPECT_EQ(42u, done.size());  // 40 of their own, two shared with the Engine
}

// An exception's release native asks the exception first whether the value is its own
// handle, which it then gives back itself, once, by the road its release() and its
// cleaning action share: true, and nothing more is released. False, or an exception class
// without the question, releases the value as it stands; a failure the exception raised
// stays pending, nothing released.
TEST_F(VRNdataNatives, AnExceptionsReleaseNativeAsksTheExceptionFirst) {
  const std::string exception = "com/olvenmark/varnel/VarnelException";
  char pointer[32];
  std::snprintf(pointer, sizeof pointer, "%p", static_cast<void*>(error));
  const std::string released = "VRNreferenceRelease " + std::string(pointer);
  struct Case {
    const char* what;
    bool asksTheException;  // false: a receiver whose class has no releaseOwn
    const char* answer;     // "true", "false" or "raises"
    jlong value;
    std::string journal;
    const char* pending;    // the text of the exception left pending (its error's, for one around an error), or null
  };
  const Case cases[] = {
      {"its own handle, given back by the exception", true, "true", as_long(error), "", nullptr},
      {"a value that is not its own", true, "false", as_long(error), released, nullptr},
      {"the exception's own release failed", true, "raises", as_long(error), "", "refused"},
      {"an exception class without the question", false, "true", as_long(error), released, nullptr},
      {"0, nobody's handle, is not asked about", true, "true", 0, "VRNreferenceRelease null", "Not an object"},
  };
  for (const Case& test : cases) {
    jlong asked = -1;
    fake().defineMethod(exception, "releaseOwn", "(J)Z", [&](jobject, const std::vector<jvalue>& args) {
      asked = args[0].j;
      if (std::string(test.answer) == "raises") fake().throwPending(exception, "refused");
      jvalue result{};
      result.z = std::string(test.answer) == "true" ? JNI_TRUE : JNI_FALSE;
      return result;
    });
    if (!test.asksTheException) fake().removeMethod(exception, "releaseOwn", "(J)Z");
    // A reference of the test's own for a release to give back.
    ASSERT_EQ(nullptr, VRNreferenceAddRef(error));
    int64_t references = VRNstandinReferenceCount(error);
    VRNstandinReset();
    EXPECT_EQ("void", call("VRNvarnelExceptionRelease", {J(test.value)}, fake().newObject(exception))) << test.what;
    EXPECT_EQ(test.journal, std::string(VRNstandinJournal())) << test.what;
    bool releasedIt = test.journal == released;
    EXPECT_EQ(references - (releasedIt ? 1 : 0), VRNstandinReferenceCount(error)) << test.what;
    EXPECT_EQ(test.asksTheException && test.value != 0 ? test.value : -1, asked) << test.what;
    if (test.pending == nullptr) {
      EXPECT_EQ(nullptr, fake().pending()) << test.what;
    } else {
      ASSERT_NE(nullptr, fake().pending()) << test.what;
      std::string text = fake().messageOf(fake().pending());
      if (VRNhandle adopted = adoptedError()) {
        const char* description = nullptr;
        EXPECT_EQ(nullptr, VRNerrorGetDescription(adopted, &description));
        if (description != nullptr) text = description;
        EXPECT_EQ(nullptr, VRNerrorRelease(adopted));
      }
      EXPECT_EQ(test.pending, text) << test.what;
    }
    fake().clearPending();
    if (!releasedIt) {
      EXPECT_EQ(nullptr, VRNreferenceRelease(error));
    }
  }
  fake().removeMethod(exception, "releaseOwn", "(J)Z");
  EXPECT_EQ(std::vector<std::string>{}, fake().violations());
}

TEST_F(VRNdataNatives, AddRefAndReleaseOfAConfigurationCallNothing) {
  for (const char* method : {"VRNconfigAddRef", "VRNconfigRelease"}) {
    EXPECT_EQ("void", call(method, {J(as_long(config))}));
    EXPECT_EQ(nullptr, fake().pending()) << method;
  }
  EXPECT_STREQ("", VRNstandinJournal());
}

TEST_F(VRNdataNatives, ANullStringIsRefusedBeforeAnyLibraryCall) {
  int checked = 0;
  for (const Row& row : data_rows()) {
    std::vector<jvalue> plain = arguments(row);
    for (size_t at = 0; at < plain.size(); ++at) {
      std::vector<jvalue> args = arguments(row, int(at));
      if (args[at].l == plain[at].l || args[at].l != nullptr) continue;  // not a string position
      VRNstandinReset();
      std::string result = invoke(row, args);
      std::string expected = row.shape == "DirectColumnIndex" ? "int -1" : failure_values().at(row.shape);
      EXPECT_EQ(expected, result) << row.method;
      EXPECT_STREQ("", VRNstandinJournal()) << row.method << ": no library call";
      VRNhandle adopted = adoptedError();
      ASSERT_NE(nullptr, adopted) << row.method;
      const char* description = nullptr;
      int count = -1;
      EXPECT_EQ(nullptr, VRNerrorGetDescription(adopted, &description));
      EXPECT_EQ("Illegal - Null string passed in argument in method " + row.name, std::string(description));
      EXPECT_EQ(nullptr, VRNerrorGetCountOfParameter(adopted, &count));
      EXPECT_EQ(0, count) << row.method;
      EXPECT_EQ(nullptr, VRNerrorRelease(adopted));
      fake().clearPending();
      ++checked;
    }
  }
  EXPECT_EQ(5, checked);
}

// Widths and signs where a slip is easy: what vrn_core receives and what Java gets back.
TEST_F(VRNdataNatives, ArgumentsAndResultsCrossInTheLibrarysWidths) {
  jlong c = as_long(config), d = as_long(dateTime), t = as_long(msh);
  struct Case {
    const char* what;
    std::function<std::string()> act;
    std::string result, journal;
  };
  const Case cases[] = {
      {"separator set as its unsigned byte", [&] { return call("VRNconfigSetDelimiterChar", {J(c), I(2), C(0xFF)}); },
       "void", "VRNconfigSetSepChar h 2 255"},
      {"separator 0xFF read back sign-extended", [&] { return call("VRNconfigGetDelimiterChar", {J(c), I(2)}); },
       "char 65535", "VRNconfigGetSepChar h 2"},
      {"repeat at level 1, sign-extended to 64 bits", [&] { return call("VRNconfigSetRepeatChar", {J(c), C(0xFF)}); },
       "void", "VRNconfigSetRepeatChar h 1 -1"},
      {"repeat read at level 1 as the 32-bit value", [&] { return call("VRNconfigGetRepeatChar", {J(c)}); },
       "char 255", "VRNconfigGetRepeatChar h 1"},
      {"a plain repeat character", [&] { return call("VRNconfigSetRepeatChar", {J(c), C('~')}); }, "void",
       "VRNconfigSetRepeatChar h 1 126"},
      {"escape set unsigned", [&] { return call("VRNconfigSetEscapeChar", {J(c), C(0x80)}); }, "void",
       "VRNconfigSetEscapeChar h 128"},
      {"escape read sign-extended", [&] { return call("VRNconfigGetEscapeChar", {J(c)}); }, "char 65408",
       "VRNconfigGetEscapeChar h"},
      {"negative indices reach the library as negative 64-bit values",
       [&] { return call("VRNtableGetString", {J(t), I(-1), I(-2147483647 - 1)}); }, "null",
       "VRNtableGetStringA h -1 -2147483648"},
      {"a negative level", [&] { return call("VRNconfigGetDelimiterChar", {J(c), I(-3)}); }, "char 0",
       "VRNconfigGetSepChar h -3"},
      {"zone -1 as 0xFFFF", [&] { return call("VRNdateTimeSetZone", {J(d), S(-1)}); }, "void",
       "VRNdateTimeSetZone h 65535"},
      {"zone read back signed", [&] { return call("VRNdateTimeGetZone", {J(d)}); }, "short -1", "VRNdateTimeGetZone h"},
      {"offset pair as unsigned 16-bit values",
       [&] { return call("VRNdateTimeSetOffsetInMinutes", {J(d), S(-60), S(-32768)}); }, "void",
       "VRNdateTimeSetOffsetInMinutes h 65476 32768"},
      {"offset read back signed", [&] { return call("VRNdateTimeGetOffsetInMinutes", {J(d)}); }, "short -60",
       "VRNdateTimeGetOffsetInMinutes h"},
      {"an integer cell", [&] { return call("VRNtableSetInteger", {J(t), I(9), I(0), I(-7)}); }, "void",
       "VRNtableSetInteger h 9 0 -7"},
      {"the integer read back", [&] { return call("VRNtableGetInteger", {J(t), I(9), I(0)}); }, "int -7",
       "VRNtableGetInteger h 9 0"},
      {"a date-time cell passes through unchanged",
       [&] { return call("VRNtableSetDateTime", {J(t), I(10), I(0), J(INT64_MIN)}); }, "void",
       "VRNtableSetDateTime h 10 0 -9223372036854775808"},
      {"and back", [&] { return call("VRNtableGetDateTime", {J(t), I(10), I(0)}); }, "long -9223372036854775808",
       "VRNtableGetDateTime h 10 0"},
      {"the error key index widened", [&] { return call("VRNvarnelExceptionGetKey", {J(as_long(error)), I(-1)}); },
       "null", "VRNerrorGetKey h -1"},
  };
  for (const Case& test : cases) {
    EXPECT_EQ(test.result, test.act()) << test.what;
    EXPECT_EQ(test.journal, lastCall()) << test.what;
    if (VRNhandle adopted = adoptedError()) {
      EXPECT_EQ(nullptr, VRNerrorRelease(adopted));
    }
    fake().clearPending();
  }
}

// The second fraction set through the bridge is the one it reads back from the DATE value,
// on both sides of day 0, and the day stays the day.
TEST_F(VRNdataNatives, TheSecondFractionRoundTripsOnBothSidesOfDayZero) {
  jlong d = as_long(dateTime);
  const double dates[] = {-1.75, -0.25, -1.0, 0.5, 45292.5, 45292 + 86399.5 / 86400, -2 - 86399.5 / 86400};
  for (double date : dates) {
    for (double fraction : {0.25, 0.0, 0.999}) {
      EXPECT_EQ("void", call("VRNdateTimeSetDATE", {J(d), D(date)})) << date;
      EXPECT_EQ("void", call("VRNdateTimeSetSecondFraction", {J(d), D(fraction)})) << date;
      std::string got = call("VRNdateTimeGetSecondFraction", {J(d)});
      ASSERT_EQ(0u, got.find("double ")) << got;
      EXPECT_NEAR(fraction, std::stod(got.substr(7)), 1e-5) << date << " with " << fraction;
      double after = 0;
      ASSERT_EQ(nullptr, VRNdateTimeGetDATE(dateTime, &after));
      EXPECT_EQ(std::trunc(date), std::trunc(after)) << date << " with " << fraction << ": the day";
      EXPECT_EQ(nullptr, fake().pending()) << date;
    }
  }
}

TEST_F(VRNdataNatives, FlagsAreTrueForAnyNonZeroValue) {
  jlong t = as_long(msh), d = as_long(dateTime);
  struct Case {
    unsigned char tableByte;
    uint16_t dateTimeFlag;
  };
  for (Case flags : {Case{1, 1}, Case{0x80, 0x8000}, Case{0xFF, 0x100}}) {
    VRNstandinSetNullFlags(flags.tableByte, flags.dateTimeFlag);
    EXPECT_EQ("true", call("VRNtableIsNull", {J(t), I(7), I(0)})) << int(flags.tableByte);  // MSH-8, empty
    EXPECT_EQ("false", call("VRNtableIsNull", {J(t), I(2), I(0)}));                        // MSH-3, SEND
    VRNhandle empty = nullptr;
    ASSERT_EQ(nullptr, VRNdateTimeCreate(&empty));
    EXPECT_EQ("true", call("VRNdateTimeIsNull", {J(as_long(empty))})) << flags.dateTimeFlag;
    EXPECT_EQ("short 0", call("VRNdateTimeGetOffsetIsDefined", {J(as_long(empty))})) << flags.dateTimeFlag;
    EXPECT_EQ(nullptr, VRNdateTimeRelease(empty));
    EXPECT_EQ("false", call("VRNdateTimeIsNull", {J(d)}));
    EXPECT_EQ("short 1", call("VRNdateTimeGetOffsetIsDefined", {J(d)}));
  }
  EXPECT_EQ(nullptr, fake().pending());
}

// A Java character is 16 bits, a delimiter one byte: U+0100 would become a NUL delimiter
// and U+0141 an 'A' if only the low byte were kept. U+0000 itself would cut every generated
// message at its first delimiter, as a NUL in a text cuts the text: refused the same way.
TEST_F(VRNdataNatives, ADelimiterThatDoesNotFitAByteIsRefusedAndNothingChanges) {
  jlong c = as_long(config);
  struct Case {
    const char* method;
    std::vector<jvalue> args;
    std::string refusal;  // a part of the exception's message
  };
  const std::string wide = "does not fit in one byte";
  const std::string nul = "Illegal - Character U+0000 passed in argument in method ";
  const std::string ends = ", where the library would end the text";
  const Case cases[] = {{"VRNconfigSetDelimiterChar", {J(c), I(1), C(0x100)}, wide},
                        {"VRNconfigSetDelimiterChar", {J(c), I(2), C(0x141)}, wide},
                        {"VRNconfigSetRepeatChar", {J(c), C(0x17E)}, wide},
                        {"VRNconfigSetEscapeChar", {J(c), C(0xFFFF)}, wide},
                        {"VRNconfigSetDelimiterChar", {J(c), I(1), C(0)}, nul + "VRNconfigSetDelimiterChar" + ends},
                        {"VRNconfigSetDelimiterChar", {J(c), I(2), C(0)}, nul + "VRNconfigSetDelimiterChar" + ends},
                        {"VRNconfigSetRepeatChar", {J(c), C(0)}, nul + "VRNconfigSetRepeatChar" + ends},
                        {"VRNconfigSetEscapeChar", {J(c), C(0)}, nul + "VRNconfigSetEscapeChar" + ends}};
  for (const Case& test : cases) {
    VRNstandinReset();
    EXPECT_EQ("void", call(test.method, test.args));
    ASSERT_NE(nullptr, fake().pending()) << test.method;
    EXPECT_EQ("com/olvenmark/varnel/VarnelException", fake().classNameOf(fake().pending()));
    EXPECT_NE(std::string::npos, fake().messageOf(fake().pending()).find(test.refusal)) << test.method;
    EXPECT_STREQ("", VRNstandinJournal()) << test.method << ": the library was called";
    fake().clearPending();
  }
  EXPECT_EQ("char 124", call("VRNconfigGetDelimiterChar", {J(c), I(1)}));
  EXPECT_EQ("char 94", call("VRNconfigGetDelimiterChar", {J(c), I(2)}));
  EXPECT_EQ("char 126", call("VRNconfigGetRepeatChar", {J(c)}));
  EXPECT_EQ("char 92", call("VRNconfigGetEscapeChar", {J(c)}));
  // Every byte-sized character still passes, as its byte.
  EXPECT_EQ("void", call("VRNconfigSetEscapeChar", {J(c), C(0xFF)}));
  EXPECT_EQ("VRNconfigSetEscapeChar h 255", lastCall());
  EXPECT_EQ("void", call("VRNconfigSetEscapeChar", {J(c), C(1)}));
  EXPECT_EQ("VRNconfigSetEscapeChar h 1", lastCall());
  EXPECT_EQ(nullptr, fake().pending());
}

TEST_F(VRNdataNatives, TheDumpBufferIsConvertedThenGivenBackOnce) {
  jlong t = as_long(message);
  std::string dumped = call("VRNtableDump", {J(t)});
  EXPECT_NE(std::string::npos, dumped.find("  Segment[0]:\n    MSH\n")) << dumped;
  EXPECT_NE(std::string::npos, dumped.find("\"Jane\"")) << dumped;
  EXPECT_EQ(1, VRNstandinCallCount("VRNtableFreeBuffer"));
  EXPECT_EQ(dumps, VRNstandinLiveCount("dump"));

  // The free fails: the string made is dropped, the free's error is pending, no second free.
  // A failing call that makes no string leaves as many local references behind.
  VRNstandinReset();
  int locals = fake().localReferences();
  VRNstandinFailNext("VRNtableName", "Failed", nullptr, nullptr);
  call("VRNtableName", {J(t)});
  int afterFailure = fake().localReferences() - locals;
  EXPECT_EQ(nullptr, VRNerrorRelease(adoptedError()));
  fake().clearPending();
  locals = fake().localReferences();
  VRNstandinFailNext("VRNtableFreeBuffer", "Free failed", nullptr, nullptr);
  EXPECT_EQ("null", call("VRNtableDump", {J(t)}));
  VRNhandle adopted = adoptedError();
  ASSERT_NE(nullptr, adopted);
  const char* description = nullptr;
  EXPECT_EQ(nullptr, VRNerrorGetDescription(adopted, &description));
  EXPECT_STREQ("Free failed", description);
  EXPECT_EQ(nullptr, VRNerrorRelease(adopted));
  fake().clearPending();
  EXPECT_EQ(1, VRNstandinCallCount("VRNtableFreeBuffer"));
  EXPECT_EQ(afterFailure, fake().localReferences() - locals) << "the dropped string's reference is deleted";
  ++dumps;  // the stand-in keeps the buffer whose free failed

  // The conversion fails: its failure is reported and the buffer still goes back.
  VRNstandinReset();
  VRNstandinFailNext("VRNmultiByteToWideChar", "Conversion failed", nullptr, nullptr);
  EXPECT_EQ("null", call("VRNtableDump", {J(t)}));
  adopted = adoptedError();
  ASSERT_NE(nullptr, adopted);
  EXPECT_EQ(nullptr, VRNerrorGetDescription(adopted, &description));
  EXPECT_STREQ("Conversion failed", description);
  EXPECT_EQ(nullptr, VRNerrorRelease(adopted));
  EXPECT_EQ(1, VRNstandinCallCount("VRNtableFreeBuffer"));
  EXPECT_EQ(dumps, VRNstandinLiveCount("dump"));
}

TEST_F(VRNdataNatives, ErrorTextsCrossAsModifiedUtf8BothWays) {
  // "é" and "😀" as the JVM writes them: two bytes, and a surrogate pair of three each.
  const std::u16string message = u"caf\u00e9 \U0001F600";
  const std::string modified = "caf\xC3\xA9 \xED\xA0\xBD\xED\xB8\x80";
  std::string made = call("VRNvarnelExceptionCreate", {L(fake().newString(message))});
  ASSERT_EQ(nullptr, fake().pending());
  VRNhandle created = as_handle(std::stoll(made.substr(5)));
  const char* description = nullptr;
  EXPECT_EQ(nullptr, VRNerrorGetDescription(created, &description));
  EXPECT_EQ(modified, description);
  jstring back = reinterpret_cast<jstring(*)(JNIEnv*, jobject, jlong)>(
      library().getProc("Java_com_olvenmark_varnel_VarnelException_VRNvarnelExceptionGetMessage"))(
      fake().env(), nullptr, as_long(created));
  ASSERT_NE(nullptr, back);
  EXPECT_EQ(message, fake().textOf(back));
  EXPECT_EQ("void", call("VRNvarnelExceptionRelease", {J(as_long(created))}));
  EXPECT_EQ(1, VRNstandinLiveCount("error")) << "the last release deletes it; the fixture's is left";

  // A key and a value of an error's parameter, as vrn_core keeps them.
  const std::string key = "\xED\xA0\xBD\xED\xB8\x80", value = "\xC3\xA9";
  VRNstandinFailNext("VRNtableAddRow", "With a parameter", key.c_str(), value.c_str());
  call("VRNtableAddRow", {J(as_long(msh))});
  jlong withParameter = as_long(adoptedError());
  ASSERT_NE(0, withParameter);
  fake().clearPending();
  typedef jstring (*KeyNative)(JNIEnv*, jobject, jlong, jint);
  typedef jstring (*ParameterNative)(JNIEnv*, jobject, jlong, jstring);
  jstring gotKey = reinterpret_cast<KeyNative>(
      library().getProc("Java_com_olvenmark_varnel_VarnelException_VRNvarnelExceptionGetKey"))(
      fake().env(), nullptr, withParameter, 0);
  ASSERT_NE(nullptr, gotKey);
  EXPECT_EQ(u"\U0001F600", fake().textOf(gotKey));
  jstring gotValue = reinterpret_cast<ParameterNative>(
      library().getProc("Java_com_olvenmark_varnel_VarnelException_VRNvarnelExceptionGetParameter"))(
      fake().env(), nullptr, withParameter, fake().newString(u"\U0001F600"));
  ASSERT_NE(nullptr, gotValue);
  EXPECT_EQ(u"\u00e9", fake().textOf(gotValue));
  EXPECT_EQ("int 1", call("VRNvarnelExceptionGetCountOfParameter", {J(withParameter)}));

  // A description in another encoding is no modified UTF-8: its bad byte reaches the JVM
  // as U+FFFD, never as bytes NewStringUTF cannot read.
  VRNstandinFailNext("VRNtableAddRow", "a\xE9" "b", nullptr, nullptr);
  call("VRNtableAddRow", {J(as_long(msh))});
  jlong latin1 = as_long(adoptedError());
  ASSERT_NE(0, latin1);
  fake().clearPending();
  jstring repaired = reinterpret_cast<jstring (*)(JNIEnv*, jobject, jlong)>(
      library().getProc("Java_com_olvenmark_varnel_VarnelException_VRNvarnelExceptionGetMessage"))(
      fake().env(), nullptr, latin1);
  ASSERT_NE(nullptr, repaired);
  EXPECT_EQ(u"a\uFFFDb", fake().textOf(repaired));
  EXPECT_EQ("void", call("VRNvarnelExceptionRelease", {J(latin1)}));
  EXPECT_EQ("void", call("VRNvarnelExceptionRelease", {J(withParameter)}));
  EXPECT_EQ(nullptr, fake().pending());
}

std::vector<Row> encoding_rows() {
  std::vector<Row> rows;
  for (const Row& row : all_rows())
    if (row.className == "VarnelEncoding") rows.push_back(row);
  return rows;
}

class VRNencodingNatives : public Fixture {
protected:
  void SetUp() override {
    Fixture::SetUp();
    SOCKstandinReset();
    ASSERT_EQ(nullptr, VRNvarnelEncodingCreate(&encoding));
  }
  void TearDown() override {
    EXPECT_EQ(nullptr, VRNvarnelEncodingRelease(encoding));
    SOCKstandinReset();
    EXPECT_EQ(0, fake().openFrames());
    EXPECT_EQ(0, SOCKstandinLiveCount("encoding"));
    EXPECT_EQ(0, SOCKstandinLiveCount("error"));
    Fixture::TearDown();
  }
  std::vector<jvalue> encodingArguments(const Row& row, bool nullString = false) {
    std::vector<jvalue> args;
    for (size_t i = 1; row.signature[i] != ')'; ++i) {
      char c = row.signature[i];
      if (c == 'J') args.push_back(J(as_long(encoding)));
      else if (c == 'I') args.push_back(I(1));
      else {
        args.push_back(L(nullString ? nullptr : text("de_DE")));
        i = row.signature.find(';', i);
      }
    }
    return args;
  }
  VRNhandle encoding = nullptr;
};

TEST_F(VRNencodingNatives, AFailureGivesEachRowsValueAndTheExceptionAdoptsTheError) {
  const std::map<std::string, std::string> values = {{"GuardedCreate", "long 0"}, {"GuardedCall", "void"},
                                                     {"FramedTextGetter", "null"}, {"FramedTextSetter", "void"},
                                                     {"FramedCount", "int 0"},     {"FramedIndexText", "null"}};
  for (const Row& row : encoding_rows()) {
    ASSERT_TRUE(SOCKstandinFailNext(row.function.c_str(), "Injected failure", "Key", "Value")) << row.method;
    EXPECT_EQ(values.at(row.shape), invoke(row, encodingArguments(row))) << row.method;
    VRNhandle adopted = adoptedError();
    ASSERT_NE(nullptr, adopted) << row.method;
    EXPECT_EQ(1, VRNstandinReferenceCount(adopted)) << row.method;
    const char* value = nullptr;
    EXPECT_EQ(nullptr, VRNerrorGetParameter(adopted, "Key", &value));
    EXPECT_STREQ("Value", value) << row.method;
    EXPECT_EQ(nullptr, VRNerrorRelease(adopted));
    fake().clearPending();
    EXPECT_EQ(0, fake().openFrames()) << row.method;

    ASSERT_TRUE(SOCKstandinFailNextUnhandled(row.function.c_str()));
    EXPECT_EQ(values.at(row.shape), invoke(row, encodingArguments(row))) << row.method;
    ASSERT_NE(nullptr, fake().pending()) << row.method;
    EXPECT_EQ("Unhandled exception", fake().messageOf(fake().pending())) << row.method << ": the guarded text";
    fake().clearPending();
  }
}

TEST_F(VRNencodingNatives, TheLocaleMethodsRunInAFrameOf16) {
  int pushes = fake().calls("PushLocalFrame");
  for (const Row& row : encoding_rows()) {
    std::string result = invoke(row, encodingArguments(row));
    if (row.shape == "GuardedCreate") {
      VRNhandle made = as_handle(std::stoll(result.substr(5)));
      ASSERT_NE(nullptr, made);
      EXPECT_EQ(nullptr, VRNvarnelEncodingRelease(made));
    }
  }
  EXPECT_EQ(nullptr, fake().pending());
  EXPECT_EQ(pushes + 4, fake().calls("PushLocalFrame")) << "the four locale methods, not the object's";
  std::vector<jint> capacities = fake().pushedCapacities();
  ASSERT_LE(4u, capacities.size());
  for (size_t i = capacities.size() - 4; i < capacities.size(); ++i) EXPECT_EQ(16, capacities[i]);

  // A frame the JVM cannot give: a VarnelException, and sockmod2 is not asked.
  SOCKstandinReset();
  fake().faults.pushLocalFrameFailsFrom = 16;
  EXPECT_EQ("int 0", call("VRNvarnelEncodingCountOfTranslationLocale", {}));
  fake().faults.pushLocalFrameFailsFrom = -1;
  ASSERT_NE(nullptr, fake().pending());
  EXPECT_EQ("com/olvenmark/varnel/VarnelException", fake().classNameOf(fake().pending()));
  fake().clearPending();
  EXPECT_STREQ("", SOCKstandinJournal());
}

TEST_F(VRNencodingNatives, TheLocaleListIsReadByCountAndIndexAndTheCurrentOneSet) {
  EXPECT_EQ("int 5", call("VRNvarnelEncodingCountOfTranslationLocale", {}));
  std::vector<std::string> locales;
  for (jint i = 0; i < 5; ++i) locales.push_back(call("VRNvarnelEncodingTranslationLocale", {I(i)}));
  EXPECT_EQ((std::vector<std::string>{"text \"en_US\"", "text \"de_DE\"", "text \"fr_FR\"", "text \"ja_JP\"",
                                      "text \"zh_CN\""}),
            locales);
  EXPECT_EQ("text \"en_US\"", call("VRNvarnelEncodingGetCurrentTranslationLocale", {}));
  EXPECT_EQ("void", call("VRNvarnelEncodingSetCurrentTranslationLocale", {L(text("ja_JP"))}));
  EXPECT_EQ("text \"ja_JP\"", call("VRNvarnelEncodingGetCurrentTranslationLocale", {}));
  EXPECT_EQ(nullptr, fake().pending());

  // The index is the 32-bit int that sockmod2 takes, its sign kept.
  EXPECT_EQ("null", call("VRNvarnelEncodingTranslationLocale", {I(-1)}));
  VRNhandle adopted = adoptedError();
  ASSERT_NE(nullptr, adopted);
  const char* index = nullptr;
  EXPECT_EQ(nullptr, VRNerrorGetParameter(adopted, "Index", &index));
  EXPECT_STREQ("-1", index);
  EXPECT_EQ(nullptr, VRNerrorRelease(adopted));
  fake().clearPending();

  // A null locale: the guarded road's own text, nothing reaches sockmod2.
  SOCKstandinReset();
  EXPECT_EQ("void", call("VRNvarnelEncodingSetCurrentTranslationLocale", {L(nullptr)}));
  ASSERT_NE(nullptr, fake().pending());
  EXPECT_EQ("The string variable NewLocale in method SetCurrentTranslationLocale cannot be null.",
            fake().messageOf(fake().pending()));
  fake().clearPending();
  EXPECT_STREQ("", SOCKstandinJournal());
  EXPECT_EQ("text \"en_US\"", call("VRNvarnelEncodingGetCurrentTranslationLocale", {}));
}

}  // namespace
