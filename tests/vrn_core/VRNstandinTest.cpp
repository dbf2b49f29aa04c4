// The vrn_core stand-in: its engine, tables and conversions must mean something, its
// injections and journal must be exact, and a LEGerror made elsewhere must be accepted
// as an error handle, since the bridge's tests rest on all of that.
#include "LEG/LEGerror.h"
#include "contracts/VRNlibraryContract.h"
#include "standins/vrn_core/VRNstandinControl.h"
#include "tests/support/TESTsupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

std::string definition_file() { return TESTbuildPath(VRN_TEST_DEFINITION); }

std::string description_of(VRNresult error) {
  const char* text = nullptr;
  EXPECT_EQ(nullptr, VRNerrorGetDescription(error, &text));
  return text ? text : "<null>";
}

std::string parameter_of(VRNresult error, const char* key) {
  const char* text = nullptr;
  EXPECT_EQ(nullptr, VRNerrorGetParameter(error, key, &text));
  return text ? text : "<null>";
}

// Takes the error's one reference back; the text of its description first.
std::string take_error(VRNresult error) {
  if (error == nullptr) return "<success>";
  if (VRNisUnhandledError(error)) return "<all-ones>";
  std::string text = description_of(error);
  EXPECT_EQ(nullptr, VRNerrorRelease(error));
  return text;
}

class StandinTest : public ::testing::Test {
protected:
  void SetUp() override {
    VRNstandinReset();
    ASSERT_EQ(nullptr, VRNengineCreate(&engine));
    ASSERT_EQ(nullptr, VRNengineLoad(engine, definition_file().c_str()));
    ASSERT_EQ(nullptr, VRNtableCreate(&table));
  }
  void TearDown() override {
    EXPECT_EQ(nullptr, VRNtableRelease(table));
    EXPECT_EQ(nullptr, VRNengineRelease(engine));
    EXPECT_EQ(0, VRNstandinLiveCount("engine"));
    EXPECT_EQ(0, VRNstandinLiveCount("table"));
    EXPECT_EQ(0, VRNstandinLiveCount("error"));
    EXPECT_EQ(0, VRNstandinLiveCount("multibyte"));
    EXPECT_EQ(0, VRNstandinLiveCount("wide"));
  }
  std::string dump() {
    char* buffer = nullptr;
    EXPECT_EQ(nullptr, VRNtableDump(table, &buffer));
    std::string text = buffer ? buffer : "";
    EXPECT_EQ(nullptr, VRNtableFreeBuffer(&buffer));
    EXPECT_EQ(nullptr, buffer);
    return text;
  }
  VRNhandle engine = nullptr;
  VRNhandle table = nullptr;
};

const char* const kAdt = "MSH|^~\\&|SEND|FAC|RECV|RFAC|20260101||ADT^A01|42|P|2.5\r"
                         "EVN|A01\r"
                         "PID|1||7^^^H~8^^^X||Doe^Jane||19800101|F|||A\\F\\B\\S\\C\r";

TEST_F(StandinTest, LoadsTheDefinitionFile) {
  int64_t value = -1;
  struct Row { VRNresult (*get)(VRNhandle, int64_t*); int64_t expected; const char* what; };
  const Row rows[] = {
      {VRNengineGetMajorVersion, 3, "major"},     {VRNengineGetMinorVersion, 7, "minor"},
      {VRNengineGetBuildNumber, 1021, "build"},   {VRNengineCountOfMessage, 3, "messages"},
      {VRNengineCountOfConfig, 3, "configs"},     {VRNengineGetAckMessageIndex, 2, "ack"},
      {VRNengineGetIgnoreMessageIndex, 1, "ignore"}, {VRNengineGetCurrentConfig, 0, "current"},
  };
  for (const Row& row : rows) {
    ASSERT_EQ(nullptr, row.get(engine, &value)) << row.what;
    EXPECT_EQ(row.expected, value) << row.what;
  }
  const char* name = nullptr;
  ASSERT_EQ(nullptr, VRNengineMessageName(engine, 1, &name));
  EXPECT_STREQ("ORU_R01", name);
  ASSERT_EQ(nullptr, VRNengineConfigName(engine, 2, &name));
  EXPECT_STREQ("alternate", name);
  VRNhandle message = nullptr;
  ASSERT_EQ(nullptr, VRNengineGetMessage(engine, 0, &message));
  ASSERT_EQ(nullptr, VRNmessageGetCountOfIdentifier(message, &value));
  EXPECT_EQ(2, value);
  ASSERT_EQ(nullptr, VRNmessageGetIdentValue(message, 1, &name));
  EXPECT_STREQ("A01", name);
}

TEST_F(StandinTest, RefusesWhatItCannotDo) {
  struct Row { const char* what; VRNresult result; std::string description; };
  const char* text = nullptr;
  int64_t index = 0;
  VRNhandle other = nullptr;
  ASSERT_EQ(nullptr, VRNengineCreate(&other));
  std::vector<Row> rows = {
      {"missing file", VRNengineLoad(other, "no such definition file"), "Unable to open the engine definition file"},
      {"index -1", VRNengineSetCurrentConfig(engine, -1), "Configuration index out of range"},
      {"message 3", VRNengineMessageName(engine, 3, &text), "Message index out of range"},
      {"no MSH", VRNengineParseMessageA(engine, "PID|1\r", &index, table), "Message does not begin with an MSH segment"},
      {"unknown type", VRNengineParseMessageA(engine, "MSH|^~\\&|||||||ZZZ^Z99\r", &index, table),
       "No message definition matches the message type"},
      {"not XML", VRNengineTranslateHl7StandardXmlToMessage(engine, "<a><b>", &text), "Not a message in XML form"},
      {"reserved", VRNengineTransformMessage(engine, kAdt, 0, 1, &text, &index, 1), "The reserved argument must be 0"},
  };
  for (Row& row : rows) EXPECT_EQ(row.description, take_error(row.result)) << row.what;
  EXPECT_EQ(nullptr, VRNengineRelease(other));

  VRNresult error = VRNengineSetCurrentConfig(engine, -1);
  EXPECT_EQ("-1", parameter_of(error, "Index"));  // the value as vrn_core received it
  take_error(error);
}

TEST_F(StandinTest, ParsesIntoTablesAndGeneratesTheSameText) {
  int64_t index = -1;
  ASSERT_EQ(nullptr, VRNengineParseMessageA(engine, kAdt, &index, table));
  EXPECT_EQ(0, index);
  const char* name = nullptr;
  ASSERT_EQ(nullptr, VRNtableName(table, &name));
  EXPECT_STREQ("ADT_A01", name);
  int64_t rows = 0;
  ASSERT_EQ(nullptr, VRNtableCountOfRow(table, &rows));
  EXPECT_EQ(3, rows);
  std::string text = dump();
  // Repeats are rows, components sub-tables, an empty field a null cell, escapes decoded.
  EXPECT_NE(std::string::npos, text.find("      PID.3[1]:\n        PID.3\n          PID.3.1[0] = \"8\"\n")) << text;
  EXPECT_NE(std::string::npos, text.find("      PID.2[0] null\n")) << text;
  EXPECT_NE(std::string::npos, text.find("      PID.11[0] = \"A|B^C\"\n")) << text;

  const char* generated = nullptr;
  ASSERT_EQ(nullptr, VRNengineGenerateMessage(engine, &generated, 0, table));
  EXPECT_STREQ(kAdt, generated);
}

TEST_F(StandinTest, TransformsBetweenConfigurations) {
  const char* out = nullptr;
  int64_t second = -1;
  ASSERT_EQ(nullptr, VRNengineTransformMessage(engine, kAdt, 0, 2, &out, &second, 0));
  EXPECT_EQ(0, second);
  EXPECT_STREQ("MSH|:*/%|SEND|FAC|RECV|RFAC|20260101||ADT:A01|42|P|2.5\r"
               "EVN|A01\r"
               "PID|1||7:::H*8:::X||Doe:Jane||19800101|F|||A/F/B^C\r",
               out);
}

TEST_F(StandinTest, AcknowledgesPrintsAndTranslates) {
  const char* out = nullptr;
  ASSERT_EQ(nullptr, VRNengineGenerateAckFromMessage(engine, kAdt, &out));
  EXPECT_STREQ("MSH|^~\\&|RECV|RFAC|SEND|FAC|||ACK^A01|42|P|2.5\rMSA|AA|42\r", out);

  ASSERT_EQ(nullptr, VRNengineMakePrintable(engine, "MSH|^~\\&\rPID|\x01\r", "\r\n", &out));
  EXPECT_STREQ("MSH|^~\\&\r\nPID|\\x01\r\n", out);

  ASSERT_EQ(nullptr, VRNengineTranslateMessageToHl7StandardXml(engine, kAdt, &out));
  std::string xml = out;
  EXPECT_EQ(0u, xml.find("<ADT_A01><MSH><MSH.3><MSH.3.1>SEND</MSH.3.1></MSH.3>")) << xml;
  ASSERT_EQ(nullptr, VRNengineTranslateHl7StandardXmlToMessage(engine, xml.c_str(), &out));
  EXPECT_STREQ(kAdt, out);
}

TEST_F(StandinTest, RejectsBadSegmentsOnlyWhenAsked) {
  const char* bad = "MSH|^~\\&|||||||ADT^A01\rpid|1\r";
  int64_t index = -1;
  EXPECT_EQ(nullptr, VRNengineParseMessageA(engine, bad, &index, table));
  ASSERT_EQ(nullptr, VRNengineSetRejectBadSegmentGrammarFlag(engine, 1));
  VRNresult error = VRNengineParseMessageA(engine, bad, &index, table);
  EXPECT_EQ("pid", parameter_of(error, "Detail"));
  EXPECT_EQ("Bad segment grammar", take_error(error));
}

TEST_F(StandinTest, ShapesAnEmptyMessageTable) {
  ASSERT_EQ(nullptr, VRNengineCreateEmptyMessageTable(engine, 2, table));
  EXPECT_EQ("ACK\n  Segment[0]:\n    MSH\n  Segment[1]:\n    MSA\n", dump());
}

TEST_F(StandinTest, InjectsOneFailureAndJournalsTheArguments) {
  ASSERT_TRUE(VRNstandinFailNext("VRNengineSetCurrentConfig", "Described", "Key", "Value"));
  ASSERT_FALSE(VRNstandinFailNext("VRNnoSuchFunction", "x", nullptr, nullptr));
  VRNstandinReset();
  ASSERT_TRUE(VRNstandinFailNext("VRNengineSetCurrentConfig", "Described", "Key", "Value"));
  VRNresult error = VRNengineSetCurrentConfig(engine, 1);
  int count = -1;
  ASSERT_EQ(nullptr, VRNerrorGetCountOfParameter(error, &count));
  EXPECT_EQ(1, count);
  const char* key = nullptr;
  ASSERT_EQ(nullptr, VRNerrorGetKey(error, 0, &key));
  EXPECT_STREQ("Key", key);
  EXPECT_EQ("Value", parameter_of(error, "Key"));
  EXPECT_EQ("", parameter_of(error, "Other"));
  EXPECT_EQ(1, VRNstandinReferenceCount(error));
  EXPECT_EQ("Described", take_error(error));
  EXPECT_EQ(nullptr, VRNengineSetCurrentConfig(engine, 1));  // one call only

  ASSERT_TRUE(VRNstandinFailNextUnhandled("VRNwideCharToMultiByte"));
  char* text = nullptr;
  const VRNunit a[] = {'a'};
  EXPECT_TRUE(VRNisUnhandledError(VRNwideCharToMultiByte(a, 1, &text)));

  EXPECT_EQ(2, VRNstandinCallCount("VRNengineSetCurrentConfig"));
  std::string journal = VRNstandinJournal();
  std::string first = journal.substr(0, journal.find('\n'));
  EXPECT_EQ(0u, first.find("VRNengineSetCurrentConfig ")) << journal;
  EXPECT_EQ(first.size() - 2, first.rfind(" 1")) << journal;
  ASSERT_EQ(nullptr, VRNengineMakePrintable(engine, "x", "\r\n", &key));
  journal = VRNstandinJournal();
  EXPECT_NE(std::string::npos, journal.find(" \"x\" \"\\r\\n\"")) << journal;
}

TEST_F(StandinTest, AcceptsALEGerrorMadeElsewhere) {
  LEGerror* own = new LEGerror(COLstring("Made by the bridge"), static_cast<int>(0x80000100));
  own->add_ref();
  VRNhandle handle = own;
  int count = -1;
  ASSERT_EQ(nullptr, VRNerrorGetCountOfParameter(handle, &count));
  EXPECT_EQ(0, count);
  ASSERT_EQ(nullptr, VRNreferenceAddRef(handle));
  EXPECT_EQ(2, VRNstandinReferenceCount(handle));
  ASSERT_EQ(nullptr, VRNreferenceRelease(handle));
  EXPECT_EQ("Made by the bridge", take_error(handle));  // the last release deletes it
}

TEST_F(StandinTest, ConvertsTextStrictly) {
  struct Row {
    const char* what;
    std::vector<VRNunit> wide;
    const char* utf8;  // null: the conversion fails
  };
  const Row rows[] = {
      {"empty", {}, ""},
      {"ASCII", {'H', 'L', '7'}, "HL7"},
      {"e-acute euro", {0xE9, 0x20AC}, "\xC3\xA9\xE2\x82\xAC"},
      {"grinning face", {0xD83D, 0xDE00}, "\xF0\x9F\x98\x80"},
      {"lone high surrogate", {'a', 0xD83D}, nullptr},
      {"lone low surrogate", {0xDE00, 'a'}, nullptr},
      // Runs of ASCII longer than eight, with what is not ASCII inside, at and after them.
      {"ASCII runs around a non-ASCII unit", {'0', '1', '2', '3', '4', '5', '6', 0xE9, '8', '9', 'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 'i'},
       "0123456\xC3\xA9" "89abcdefghi"},
      {"a surrogate pair right after eight ASCII units", {'0', '1', '2', '3', '4', '5', '6', '7', 0xD83D, 0xDE00}, "01234567\xF0\x9F\x98\x80"},
      {"a lone surrogate after a long run", {'0', '1', '2', '3', '4', '5', '6', '7', '8', 0xDE00}, nullptr},
  };
  for (const Row& row : rows) {
    char* text = nullptr;
    VRNresult error = VRNwideCharToMultiByte(row.wide.data(), int64_t(row.wide.size()), &text);
    if (row.utf8 == nullptr) {
      EXPECT_EQ("Text is not valid UTF-16", take_error(error)) << row.what;
      continue;
    }
    ASSERT_EQ(nullptr, error) << row.what;
    EXPECT_STREQ(row.utf8, text) << row.what;
    VRNunit* back = nullptr;
    ASSERT_EQ(nullptr, VRNmultiByteToWideChar(text, int64_t(std::strlen(text)), &back)) << row.what;
    EXPECT_EQ(row.wide, std::vector<VRNunit>(back, back + row.wide.size())) << row.what;
    EXPECT_EQ(0, back[row.wide.size()]) << row.what;
    EXPECT_EQ(1, VRNstandinLiveCount("wide"));
    EXPECT_EQ(1, VRNstandinLiveCount("multibyte"));
    EXPECT_EQ(nullptr, VRNwideCharFree(back));
    EXPECT_EQ(nullptr, VRNmultiByteFree(text));
  }
  const char* const invalid[] = {"\xE9t\xE9", "\xC0\x80", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xE2\x82",
                                 "012345678\xE2\x82", "01234567\xFF" "89abcdef"};
  for (const char* text : invalid) {
    VRNunit* wide = nullptr;
    EXPECT_EQ("Text is not valid UTF-8", take_error(VRNmultiByteToWideChar(text, int64_t(std::strlen(text)), &wide)))
        << text;
  }
}

std::vector<std::string> g_lines;
std::vector<std::thread::id> g_threads;
void record_line(void* user, const char* line) {
  EXPECT_EQ(&g_lines, user);
  g_lines.push_back(line);
  g_threads.push_back(std::this_thread::get_id());
}

TEST_F(StandinTest, LogsOnTheCallerAndOnAWorkerUntilTheCallbackGoes) {
  g_lines.clear();
  g_threads.clear();
  ASSERT_EQ(nullptr, VRNengineSetLogCallBackPerEngine(engine, &g_lines, record_line));
  ASSERT_EQ(nullptr, VRNengineLoad(engine, definition_file().c_str()));
  VRNstandinLog(engine, "here");
  VRNstandinLogFromWorker(engine, "there");
  ASSERT_EQ(nullptr, VRNengineSetLogCallBackPerEngine(engine, nullptr, nullptr));
  VRNstandinLog(engine, "never");
  ASSERT_EQ(3u, g_lines.size());
  EXPECT_EQ(0u, g_lines[0].find("Loaded 3 messages and 3 configurations from ")) << g_lines[0];
  EXPECT_EQ("here", g_lines[1]);
  EXPECT_EQ("there", g_lines[2]);
  EXPECT_EQ(std::this_thread::get_id(), g_threads[1]);
  EXPECT_NE(std::this_thread::get_id(), g_threads[2]);
}

// An engine or date-time handle is checked before use, as the library's are: once the last reference
// is gone, every call with it, a release included, is an error and touches nothing. A call
// in progress keeps the engine alive: a listener that releases it from inside a line
// (the engine's last reference) still finds it usable until the line has ended.
void release_inside(void* engine, const char*) {
  VRNhandle handle = static_cast<VRNhandle>(engine);
  EXPECT_EQ(nullptr, VRNengineRelease(handle));
  int64_t major = -1;
  EXPECT_EQ(nullptr, VRNengineGetMajorVersion(handle, &major)) << "released under the line that delivers it";
}

TEST_F(StandinTest, AnEngineHandleIsCheckedAndACallKeepsItsEngineAlive) {
  VRNhandle gone = nullptr;
  ASSERT_EQ(nullptr, VRNengineCreate(&gone));
  ASSERT_EQ(nullptr, VRNengineRelease(gone));
  EXPECT_EQ(1, VRNstandinLiveCount("engine"));
  int64_t value = 0;
  const char* text = nullptr;
  EXPECT_EQ("Not an engine", take_error(VRNengineGetMajorVersion(gone, &value)));
  EXPECT_EQ("Not an engine", take_error(VRNengineMakePrintable(gone, "x", "\r\n", &text)));
  EXPECT_EQ("Not an engine", take_error(VRNengineAddRef(gone)));
  EXPECT_EQ("Not an engine", take_error(VRNengineRelease(gone)));
  VRNstandinLog(gone, "nobody hears this");

  VRNhandle inside = nullptr;
  ASSERT_EQ(nullptr, VRNengineCreate(&inside));
  ASSERT_EQ(nullptr, VRNengineSetLogCallBackPerEngine(inside, inside, release_inside));
  VRNstandinLogFromWorker(inside, "release me");
  EXPECT_EQ(1, VRNstandinLiveCount("engine")) << "gone once the line ended";
  EXPECT_EQ("Not an engine", take_error(VRNengineGetMajorVersion(inside, &value)));

  VRNhandle date = nullptr;
  ASSERT_EQ(nullptr, VRNdateTimeCreate(&date));
  ASSERT_EQ(nullptr, VRNdateTimeRelease(date));
  double day = 0;
  EXPECT_EQ("Not a date-time", take_error(VRNdateTimeGetDATE(date, &day)));
  EXPECT_EQ("Not a date-time", take_error(VRNdateTimeRelease(date)));
  EXPECT_EQ(0, VRNstandinLiveCount("datetime"));
}

// A table handle is checked as an engine's is: a released table, and a sub-table of one
// (a sub-table lives as long as its parent), take the error road on every kind of call.
TEST_F(StandinTest, ATableHandleIsCheckedAndASubTableLivesWithItsParent) {
  VRNhandle gone = nullptr;
  ASSERT_EQ(nullptr, VRNtableCreate(&gone));
  int64_t index = -1;
  ASSERT_EQ(nullptr, VRNengineParseMessageA(engine, kAdt, &index, gone));
  VRNhandle segment = nullptr;
  ASSERT_EQ(nullptr, VRNtableSubTable(gone, 0, 2, &segment));  // PID
  VRNhandle components = nullptr;
  ASSERT_EQ(nullptr, VRNtableSubTable(segment, 2, 1, &components));
  int64_t rows = 0;
  ASSERT_EQ(nullptr, VRNtableCountOfRow(components, &rows));
  ASSERT_EQ(nullptr, VRNtableAddRef(segment));  // a reference on a sub-table is its parent's
  ASSERT_EQ(nullptr, VRNtableRelease(gone));
  ASSERT_EQ(nullptr, VRNtableCountOfRow(components, &rows)) << "the parent still has a reference";
  ASSERT_EQ(nullptr, VRNtableRelease(segment));
  for (VRNhandle table : {gone, segment, components}) {
    SCOPED_TRACE(table == gone ? "the table" : table == segment ? "its segment" : "a field's components");
    const char* text = nullptr;
    int32_t type = 0;
    EXPECT_EQ("Not a table", take_error(VRNtableCountOfRow(table, &rows)));
    EXPECT_EQ("Not a table", take_error(VRNtableName(table, &text)));
    EXPECT_EQ("Not a table", take_error(VRNtableColumnType(table, 0, &type)));
    EXPECT_EQ("Not a table", take_error(VRNtableGetStringA(table, 0, 0, &text)));
    EXPECT_EQ("Not a table", take_error(VRNtableSetInteger(table, 0, 0, 1)));
    EXPECT_EQ("Not a table", take_error(VRNengineGenerateMessage(engine, &text, 0, table)));
    EXPECT_EQ("Not a table", take_error(VRNtableAddRef(table)));
    EXPECT_EQ("Not a table", take_error(VRNtableRelease(table)));
  }
}

// The DATE type's rule on both sides of day 0: the whole part toward zero is the day, the
// fraction's absolute value the time of day. Setting the second fraction keeps the day and
// the whole seconds, and the formatted value reads the same day and time.
TEST_F(StandinTest, SetsTheSecondFractionByTheDateTypesRuleOnBothSidesOfDayZero) {
  const double second = 1.0 / 86400.0;
  struct Row {
    const char* why;
    double date;
    double fraction;
    double after;
    const char* formatted;
  };
  const Row rows[] = {
      {"before day 0, the time counts forwards", -1.75, 0.25, -1.75 - 0.25 * second, "1899-12-29 18:00:00"},
      {"inside day -1 of the type: day 0", -0.25, 0.5, -0.25 - 0.5 * second, "1899-12-30 06:00:00"},
      {"midnight before day 0", -1.0, 0.25, -1.0 - 0.25 * second, "1899-12-29 00:00:00"},
      {"day 0", 0.5, 0.75, 0.5 + 0.75 * second, "1899-12-30 12:00:00"},
      {"an ordinary day", 45292.5, 0.25, 45292.5 + 0.25 * second, "2024-01-01 12:00:00"},
      {"its last second", 45292 + 86399.5 * second, 0.25, 45292 + 86399.25 * second, "2024-01-01 23:59:59"},
      {"the last second before day 0", -2 - 86399.5 * second, 0.5, -2 - 86399.5 * second, "1899-12-28 23:59:59"},
      {"a hair under midnight is midnight", 1 - 1e-7 * second, 0.25, 1 + 0.25 * second, "1899-12-31 00:00:00"},
      {"and before day 0 it is the next day's", -1 - (86400 - 1e-7) * second, 0.25, -0.25 * second,
       "1899-12-30 00:00:00"},
  };
  VRNhandle dateTime = nullptr;
  ASSERT_EQ(nullptr, VRNdateTimeCreate(&dateTime));
  for (const Row& row : rows) {
    ASSERT_EQ(nullptr, VRNdateTimeSetDATE(dateTime, row.date));
    const char* text = nullptr;
    ASSERT_EQ(nullptr, VRNdateTimeFormat(dateTime, "yyyy-MM-dd HH:mm:ss", &text)) << row.why;
    EXPECT_STREQ(row.formatted, text) << row.why << ": as set";
    ASSERT_EQ(nullptr, VRNdateTimeSetSecondFraction(dateTime, row.fraction)) << row.why;
    double after = 0;
    ASSERT_EQ(nullptr, VRNdateTimeGetDATE(dateTime, &after));
    EXPECT_NEAR(row.after, after, 1e-10) << row.why;
    ASSERT_EQ(nullptr, VRNdateTimeFormat(dateTime, "yyyy-MM-dd HH:mm:ss", &text)) << row.why;
    EXPECT_STREQ(row.formatted, text) << row.why << ": with the fraction";
  }
  EXPECT_EQ(nullptr, VRNdateTimeRelease(dateTime));
}

}  // namespace
