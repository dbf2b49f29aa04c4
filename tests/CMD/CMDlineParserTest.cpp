// CMDlineParser: what a command line sets, what printErrors reports, the usage layout and
// wrapping, the HTML table, and every error's text, code, source and line.
#include "CMD/CMDlineParser.h"

#include "COL/COLostream.h"
#include "tests/support/TESTsupport.h"

#include <functional>
#include <string>
#include <vector>

namespace {

void parse(CMDlineParser& parser, const std::vector<const char*>& words) {
  parser.parseArgs(static_cast<int>(words.size()), words.data());
}

std::string positional(const CMDlineParser& parser) {
  std::string all;
  for (int i = 0; i < parser.argumentCount(); ++i) all += (i ? "|" : "") + TESTtext(parser.argumentValue(i));
  return all;
}

std::string errorsOf(const CMDlineParser& parser, bool* result) {
  COLostreamString out;
  *result = parser.printErrors(out);
  return out.c_str();
}

std::string usageOf(const CMDlineParser& parser) {
  COLostreamString out;
  parser.printUsage(out);
  return TESTtext(out.string());
}

// The flags of a small tool: one plain switch, one flag with an argument.
void installShowAndPath(CMDlineParser& parser) {
  parser.addFlagWithoutArgument("show", "Only show");
  parser.addFlagWithArgument("path", "dir");
}

struct ParseCase {
  const char* why;
  std::vector<const char*> words;
  bool show;
  bool path;
  const char* pathValue;
  const char* positional;
  bool needsUsage;
  const char* message;
};

TEST(CMDlineParser, CommandLinesSetFlagsValuesAndPositionalWords) {
  const ParseCase cases[] = {
      {"program name alone", {"tool"}, false, false, "", "", false, ""},
      {"any number of dashes; the first bare word ends the flags",
       {"tool", "--show", "---path", "x", "y"}, true, true, "x", "y", false, ""},
      {"single dash", {"tool", "-show"}, true, false, "", "", false, ""},
      {"an argument is the next word, whatever it looks like",
       {"tool", "--path", "--show"}, false, true, "--show", "", false, ""},
      {"two dashes end the flags and are kept", {"tool", "--", "--show"}, false, false, "", "--|--show", false, ""},
      {"a lone dash is a positional value", {"tool", "-", "x"}, false, false, "", "-|x", false, ""},
      {"a bare word before a flag makes both positional",
       {"tool", "C:\\tools", "--show"}, false, false, "", "C:\\tools|--show", false, ""},
      {"a help word after a bare word is positional", {"tool", "x", "-h"}, false, false, "", "x|-h", false, ""},
      {"a dash and a digit is a flag named by the digit", {"tool", "-1"}, false, false, "", "", true,
       "Unknown flag 1 encountered.\r\n"},
      {"names are case-sensitive", {"tool", "--SHOW"}, false, false, "", "", true,
       "Unknown flag SHOW encountered.\r\n"},
      {"a help word in other case is an unknown flag", {"tool", "--HELP"}, false, false, "", "", true,
       "Unknown flag HELP encountered.\r\n"},
      {"only the first unknown flag is reported", {"tool", "--one", "--two"}, false, false, "", "", true,
       "Unknown flag one encountered.\r\n"},
      {"a repeated switch", {"tool", "--show", "-show"}, true, false, "", "", true,
       "Flag show used more than once.\r\n"},
      {"a repeated flag with argument keeps the last value",
       {"tool", "--path", "a", "--path", "b"}, false, true, "b", "", true, "Flag path used more than once.\r\n"},
      {"installed flags come first in the list, so a repetition beats an unknown flag",
       {"tool", "--bogus", "--show", "--show"}, true, false, "", "", true, "Flag show used more than once.\r\n"},
      {"--help", {"tool", "--help"}, false, false, "", "", true, ""},
      {"-help", {"tool", "-help"}, false, false, "", "", true, ""},
      {"-?", {"tool", "-?"}, false, false, "", "", true, ""},
      {"--?", {"tool", "--?"}, false, false, "", "", true, ""},
      {"/?", {"tool", "/?"}, false, false, "", "", true, ""},
      {"-h", {"tool", "-h"}, false, false, "", "", true, ""},
      {"three dashes and help name a help record", {"tool", "---help"}, false, false, "", "", true, ""},
      {"a help word does not end the flags", {"tool", "-h", "--show", "w"}, true, false, "", "w", true, ""},
  };
  for (const ParseCase& c : cases) {
    CMDlineParser parser;
    installShowAndPath(parser);
    parse(parser, c.words);
    EXPECT_EQ(parser.isFlagPresent("show"), c.show) << c.why;
    EXPECT_EQ(parser.isFlagPresent("path"), c.path) << c.why;
    EXPECT_EQ(TESTtext(parser.flagValue("path")), c.pathValue) << c.why;
    EXPECT_EQ(positional(parser), c.positional) << c.why;
    bool needsUsage = false;
    EXPECT_EQ(errorsOf(parser, &needsUsage), c.message) << c.why;
    EXPECT_EQ(needsUsage, c.needsUsage) << c.why;
    EXPECT_EQ(TESTtext(parser.programName()), "tool") << c.why;
  }
}

TEST(CMDlineParser, HelpWordsMakeRecordsOfTheirNamesAndOverrideAnInstalledFlag) {
  CMDlineParser parser;
  parser.addFlagWithArgument("h", "host");
  parse(parser, {"tool", "/?", "-h", "rest"});
  EXPECT_TRUE(parser.hasFlag("/?"));
  EXPECT_TRUE(parser.isFlagPresent("h"));
  // The help word took no argument, and the flag is no longer listed.
  EXPECT_EQ(positional(parser), "rest");
  bool needsUsage = false;
  EXPECT_EQ(errorsOf(parser, &needsUsage), "");
  EXPECT_TRUE(needsUsage);
  EXPECT_EQ(usageOf(parser), "\r\nUsage:\r\ntool\r\nKnown flags:\r\n");
}

TEST(CMDlineParser, RepeatOkCollectsEveryValueInOrder) {
  CMDlineParser parser;
  installShowAndPath(parser);
  parser.setFlagRepeatOk("path", true);
  parse(parser, {"tool", "--path", "a", "--show", "--path", "b"});
  bool needsUsage = true;
  EXPECT_EQ(errorsOf(parser, &needsUsage), "");
  EXPECT_FALSE(needsUsage);
  EXPECT_EQ(parser.flagRepeatCount("path"), 2);
  EXPECT_EQ(TESTtext(parser.flagValue("path", 0)), "a");
  EXPECT_EQ(TESTtext(parser.flagValue("path", 1)), "b");
  EXPECT_EQ(TESTtext(parser.flagValue("path")), "b");
  COLstring copied("old");
  parser.flagValue("path", copied);
  EXPECT_EQ(TESTtext(copied), "b");

  COLvector<COLstring> values;
  values.push_back("kept");
  CMDgetFlagValues(values, parser, "path");
  ASSERT_EQ(values.size(), 3);
  EXPECT_EQ(TESTtext(values[0]), "kept");
  EXPECT_EQ(TESTtext(values[1]), "a");
  EXPECT_EQ(TESTtext(values[2]), "b");
  EXPECT_EQ(parser.flagRepeatCount("show"), 0);
}

TEST(CMDlineParser, QueriesOfFlagsWithoutArgumentAndOfRecordsTheCommandLineMade) {
  CMDlineParser parser;
  installShowAndPath(parser);
  parser.hideFlag("never-installed");
  EXPECT_FALSE(parser.hasFlag("never-installed"));
  parse(parser, {"tool", "--show", "--extra", "word"});

  EXPECT_EQ(TESTtext(parser.flagValue("show")), "");
  COLstring out("junk");
  parser.flagValue("show", out);
  EXPECT_EQ(TESTtext(out), "");
  // A record that only the command line made answers like an installed flag.
  EXPECT_TRUE(parser.hasFlag("extra"));
  EXPECT_TRUE(parser.isFlagPresent("extra"));
  EXPECT_EQ(TESTtext(parser.flagValue("extra")), "");
  EXPECT_FALSE(parser.hasFlag("--show"));
  EXPECT_TRUE(parser.describeFlag("show", "Now described"));
  EXPECT_FALSE(parser.describeFlag("path", "Where"));
}

TEST(CMDlineParser, AFlagInstalledAfterParsingGotNoArgument) {
  CMDlineParser parser;
  parse(parser, {"tool", "--late", "value"});
  parser.addFlagWithArgument("late", "thing");
  EXPECT_TRUE(parser.isFlagPresent("late"));
  EXPECT_EQ(TESTtext(parser.flagValue("late")), "");
  EXPECT_EQ(positional(parser), "value");
  bool needsUsage = true;
  errorsOf(parser, &needsUsage);
  EXPECT_FALSE(needsUsage);
}

TEST(CMDlineParser, DeclaredArgumentsNameThePositionalValues) {
  CMDlineParser parser;
  parser.addPlainArgument("source", "Read from");
  parser.addArgument("target", "Write to");
  parser.addFilesArgument("More");
  parse(parser, {"tool", "in.txt"});
  int index = -7;
  EXPECT_TRUE(parser.findArgument("target", index));
  EXPECT_EQ(index, 1);
  EXPECT_TRUE(parser.findArgument("Files to be processed", index));
  EXPECT_EQ(index, 2);
  index = -7;
  EXPECT_FALSE(parser.findArgument("nothing", index));
  EXPECT_EQ(index, -7);
  EXPECT_EQ(TESTtext(parser.argument("source")), "in.txt");
  const COLstring& none = parser.argument("undeclared");
  EXPECT_EQ(TESTtext(none), "");
  EXPECT_EQ(&none, &parser.argument("other undeclared"));
}

TEST(CMDlineParser, ArgumentMissingLeavesTheEarlierFlagsSet) {
  CMDlineParser parser;
  installShowAndPath(parser);
  EXPECT_EQ(TEST_ERROR_OF(parse(parser, {"tool", "--show", "--path"})),
            (TESTerrorFields{"Argument missing", static_cast<int>(0x80000500), 284, "CMDlineParser"}));
  EXPECT_TRUE(parser.isFlagPresent("show"));
  EXPECT_TRUE(parser.isFlagPresent("path"));
}

struct ErrorCase {
  const char* why;
  std::function<void(CMDlineParser&)> act;
  TESTerrorFields error;
};

TEST(CMDlineParser, ErrorsCarryTheirTextCodeSourceAndLine) {
  const int precondition = static_cast<int>(0x80000100);
  const ErrorCase cases[] = {
      {"parseArgs twice", [](CMDlineParser& p) { parse(p, {"tool"}); },
       {"CMDlineParser::parseArgs() has been called more than once.", precondition, 0, ""}},
      {"isFlagPresent of an unknown name", [](CMDlineParser& p) { p.isFlagPresent("nope"); },
       {"EXCEPTION: isFlagPresent was asked to check for the presence of flag nope which was not "
        "installed. A flag should be first installed using either addFlagWithArgument or "
        "addFlagWithoutArgument before it is checked for.",
        precondition, 380, "CMDlineParser"}},
      {"flagValue", [](CMDlineParser& p) { p.flagValue("nope"); },
       {"nope not defined.", precondition, 625, "CMDlineParser"}},
      {"flagValue into a string",
       [](CMDlineParser& p) {
         COLstring out;
         p.flagValue("nope", out);
       },
       {"nope not defined.", precondition, 639, "CMDlineParser"}},
      {"flagRepeatCount", [](CMDlineParser& p) { p.flagRepeatCount("nope"); },
       {"nope not defined.", precondition, 658, "CMDlineParser"}},
      {"flagValue by index of an unknown name", [](CMDlineParser& p) { p.flagValue("nope", 0); },
       {"nope not defined.", precondition, 667, "CMDlineParser"}},
      {"flagValue by index past the values", [](CMDlineParser& p) { p.flagValue("path", 1); },
       {"Failed precondition: RepeatIndex >= 0 && RepeatIndex < "
        "pMember->flag(FlagName)->ValueList.size()",
        precondition, 669, "CMDlineParser"}},
      {"flagValue by a negative index", [](CMDlineParser& p) { p.flagValue("path", -1); },
       {"Failed precondition: RepeatIndex >= 0 && RepeatIndex < "
        "pMember->flag(FlagName)->ValueList.size()",
        precondition, 669, "CMDlineParser"}},
      {"setFlagRepeatOk of an unknown name", [](CMDlineParser& p) { p.setFlagRepeatOk("nope", true); },
       {"Failed precondition: pFlag.get(), setFlagRepeatOk(): Flag nope not yet defined", precondition,
        418, "CMDlineParser"}},
      {"setFlagRepeatOk of a switch", [](CMDlineParser& p) { p.setFlagRepeatOk("show", true); },
       {"Failed precondition: pFlag->HasArgument, setFlagRepeatOk(): Flag show doesn't have argument",
        precondition, 419, "CMDlineParser"}},
      {"a positional value past the end", [](CMDlineParser& p) { p.argumentValue(1); },
       {"Failed precondition: n >= 0 && n < size_", precondition, 169, "COLvector"}},
      {"a declared argument that got no value", [](CMDlineParser& p) { p.argument("target"); },
       {"Failed precondition: n >= 0 && n < size_", precondition, 169, "COLvector"}},
  };
  for (const ErrorCase& c : cases) {
    CMDlineParser parser;
    installShowAndPath(parser);
    parser.addPlainArgument("source", "");
    parser.addPlainArgument("target", "");
    parse(parser, {"tool", "--path", "x", "only"});
    EXPECT_EQ(TEST_ERROR_OF(c.act(parser)), c.error) << c.why;
  }

  CMDlineParser empty;
  EXPECT_EQ(TEST_ERROR_OF(empty.parseArgs(0, nullptr)),
            (TESTerrorFields{"Failed precondition: argc != 0", precondition, 241, "CMDlineParser"}));
}

TEST(CMDlineParser, TextUsageListsInstalledVisibleFlagsAtOneTextColumn) {
  CMDlineParser parser;
  parser.setUsageHeader("Tool 2.0");
  parser.addFlagWithoutArgument("show", "Show it");
  parser.addFlagWithArgument("path", "dir");
  parser.addFlagWithArgument("out", "file", "Write here");
  // Hidden flags take no part in the layout, not even in the column width.
  parser.addFlagWithoutArgument("verysecret", "Hidden");
  parser.hideFlag("verysecret");
  parser.addFlagWithoutArgument("remove", "Remove it");
  parser.addPlainArgument("source", "The input");
  parser.addArgument("target", "The output");
  parse(parser, {"tool", "--unknown"});
  EXPECT_EQ(usageOf(parser),
            "Tool 2.0\r\n"
            "Usage:\r\n"
            "tool  [--show]  [--path dir]  [--out file]  [--remove] source <target>\r\n"
            "   source - The input\r\n"
            "   target - The output\r\n"
            "Known flags:\r\n"
            "  --show    Show it\r\n"
            "  --path    Requires argument dir.\r\n"
            "  --out     Write here. Requires argument file.\r\n"
            "  --remove  Remove it\r\n");
}

TEST(CMDlineParser, TextUsageWithoutFlagRecordsStopsAfterTheArguments) {
  CMDlineParser parser;
  parser.addFilesArgument("What to read");
  EXPECT_EQ(usageOf(parser), "\r\nUsage:\r\n <Files to be processed>\r\n   Files to be processed - What to read\r\n");
  parse(parser, {"tool", "--stray"});
  EXPECT_EQ(usageOf(parser),
            "\r\nUsage:\r\ntool <Files to be processed>\r\n   Files to be processed - What to read\r\n"
            "Known flags:\r\n");
}

struct WrapCase {
  const char* why;
  std::string name;
  std::string text;
  std::string entry;
};

std::string repeated(const std::string& piece, int times) {
  std::string all;
  for (int i = 0; i < times; ++i) all += piece;
  return all;
}

TEST(CMDlineParser, EntriesWrapAtSeventyColumnsAndAtLineFeeds) {
  // A four-character name gives the lead "  --name" and two blanks: 10 columns, 60 for text.
  const std::string lead = "  --name  ";
  const std::string more(10, ' ');
  const std::string word11 = repeated("word ", 11);  // 55 characters, blanks every fifth
  const WrapCase cases[] = {
      {"exactly 70 columns stays on one line", "name", word11 + "abcde", lead + word11 + "abcde\r\n"},
      {"71 columns break after the last blank within the width", "name", word11 + "abcdef",
       lead + word11 + "\r\n" + more + "abcdef\r\n"},
      {"a blank right at the width stays at the end of the cut", "name", std::string(60, 'x') + " tail",
       lead + std::string(60, 'x') + " \r\n" + more + "tail\r\n"},
      {"without a blank the text is cut at the width", "name", std::string(125, 'y'),
       lead + std::string(60, 'y') + "\r\n" + more + std::string(60, 'y') + "\r\n" + more + "yyyyy\r\n"},
      {"a line feed within the width breaks first", "name", "short\n" + word11 + "words",
       lead + "short\r\n" + more + word11 + "words\r\n"},
      {"a line feed at the width waits for the blank cut", "name", word11 + "abcde\nfg",
       lead + word11 + "\r\n" + more + "abcde\r\n" + more + "fg\r\n"},
      {"a text that fits continues after its line feed", "name", "first\nsecond",
       lead + "first\r\n" + more + "second\r\n"},
      {"only one line feed of a fitting text breaks", "name", "a\nb\nc", lead + "a\r\n" + more + "b\nc\r\n"},
      {"a lead of 70 columns leaves no room, so the text runs on", std::string(64, 'n'), word11,
       "  --" + std::string(64, 'n') + "  " + word11 + "\r\n"},
  };
  for (const WrapCase& c : cases) {
    CMDlineParser parser;
    parser.addFlagWithoutArgument(c.name.c_str(), COLstring(c.text.data(), static_cast<int>(c.text.size())));
    parse(parser, {"tool"});
    std::string usage = usageOf(parser);
    const std::string header = "Known flags:\r\n";
    size_t at = usage.find(header);
    ASSERT_NE(at, std::string::npos) << c.why;
    EXPECT_EQ(usage.substr(at + header.size()), c.entry) << c.why;
  }
}

TEST(CMDlineParser, QuilleryMakesTheUsageAnHtmlTableOfInstalledVisibleFlags) {
  CMDlineParser parser;
  parser.addFlagWithoutArgument("show", "Show <b>it</b>");
  parser.addFlagWithArgument("path", "dir");
  parser.addFlagWithoutArgument("secret", "Hidden");
  parser.hideFlag("secret");
  parser.setUsageHeader("Never shown");
  parse(parser, {"tool", "--quillery"});
  bool needsUsage = false;
  EXPECT_EQ(errorsOf(parser, &needsUsage), "Unknown flag quillery encountered.\r\n");
  EXPECT_TRUE(needsUsage);
  EXPECT_EQ(usageOf(parser),
            "<table>\n"
            "<tr><th>Flag</th><th>Operation</th></tr>\n"
            "<tr><th>--show</th><td>Show <b>it</b></td></tr>\n"
            "<tr><th>--path</th><td></td></tr>\n"
            "</table>\n");

  CMDlineParser installs;
  installs.addFlagWithoutArgument("quillery", "Table");
  EXPECT_EQ(usageOf(installs),
            "<table>\n<tr><th>Flag</th><th>Operation</th></tr>\n<tr><th>--quillery</th><td>Table</td></tr>\n"
            "</table>\n");
}

}  // namespace
