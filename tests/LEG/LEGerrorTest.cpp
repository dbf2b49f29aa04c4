// LEGerror: what each constructor keeps, parameters and their order, equality, the
// printed form, the index error, and the turn of a caught COLerror into an LEGerror.
#include "LEG/LEGerror.h"

#include "COL/COLostream.h"
#include "tests/support/TESTsupport.h"

#include <string>
#include <utility>
#include <vector>

namespace {

typedef std::vector<std::pair<std::string, std::string>> Parameters;

Parameters parametersOf(const LEGerror& Error) {
  Parameters Result;
  for (COLavlNode* P = Error.firstParameter(); P != nullptr; P = Error.nextParameter(P))
    Result.emplace_back(TESTtext(Error.parameterName(P)), TESTtext(Error.parameterValue(P)));
  return Result;
}

std::string printed(const LEGerror& Error) {
  COLostreamString Stream;
  Stream << Error;
  return Stream.c_str();
}

LEGerror withParameters() {
  LEGerror Error(COLerror("described", 12, "COLfile", 7));
  Error.setParameter("zeta", "last");
  Error.setParameter("Alpha", "first");
  Error.setParameter("mid", -1);
  return Error;
}

TEST(LEGerror, ConstructorsKeepTheErrorAndCopyParametersOnlyFromAnLEGerror) {
  const COLerror Plain("plain", 12, "COLfile", 3);
  const LEGerror Full = withParameters();
  const Parameters FullParameters = {{"Alpha", "first"}, {"mid", "4294967295"}, {"zeta", "last"}};
  struct Row {
    const char* what;
    LEGerror error;
    TESTerrorFields fields;
    Parameters parameters;
  } Rows[] = {
      {"text and code", LEGerror("text", 5), {"text", 5, 0, ""}, {}},
      {"COLerror", LEGerror(Plain), {"plain", 3, 12, "COLfile"}, {}},
      {"COLerror, new code", LEGerror(Plain, 9), {"plain", 9, 12, "COLfile"}, {}},
      {"LEGerror", LEGerror(Full), {"described", 7, 12, "COLfile"}, FullParameters},
      {"LEGerror, new code", LEGerror(Full, 8), {"described", 8, 12, "COLfile"}, FullParameters},
      {"LEGerror as a COLerror", LEGerror(static_cast<const COLerror&>(Full)), {"described", 7, 12, "COLfile"}, {}},
      {"turned from a COLerror", LEGerrorFrom(Plain), {"plain", 3, 12, "COLfile"}, {}},
      {"turned from an LEGerror", LEGerrorFrom(Full), {"described", 7, 12, "COLfile"}, FullParameters},
  };
  for (const Row& R : Rows) {
    SCOPED_TRACE(R.what);
    EXPECT_EQ(TESTfieldsOf(R.error), R.fields);
    EXPECT_EQ(parametersOf(R.error), R.parameters);
    EXPECT_EQ(R.error.countOfParameter(), static_cast<int>(R.parameters.size()));
  }
}

TEST(LEGerror, SetParameterReplacesAPresentNameAndParameterAddsAMissingOne) {
  LEGerror Error("e", 1);
  Error.setParameter("name", "one");
  Error.setParameter("name", "two");
  Error.setParameter("count", 42);
  EXPECT_EQ(Error.countOfParameter(), 2);
  EXPECT_EQ(parametersOf(Error), (Parameters{{"count", "42"}, {"name", "two"}}));
  EXPECT_TRUE(Error.hasParameter("name"));
  EXPECT_FALSE(Error.hasParameter("missing"));
  EXPECT_EQ(TESTtext(Error.parameter("name")), "two");
  Error.parameter("name") = "three";
  EXPECT_EQ(TESTtext(Error.parameter("missing")), "");
  EXPECT_EQ(parametersOf(Error), (Parameters{{"count", "42"}, {"missing", ""}, {"name", "three"}}));
}

TEST(LEGerror, AssignmentTakesTheOthersPartsAndParameters) {
  LEGerror Target("old", 1);
  Target.setParameter("gone", "x");
  const LEGerror Source = withParameters();
  Target.assign(Source);
  EXPECT_EQ(TESTfieldsOf(Target), (TESTerrorFields{"described", 7, 12, "COLfile"}));
  EXPECT_EQ(parametersOf(Target), parametersOf(Source));
  Target = Target;
  EXPECT_EQ(parametersOf(Target), parametersOf(Source));
}

TEST(LEGerror, EqualityComparesCodeDescriptionAndParameters) {
  LEGerror Base("text", 3);
  Base.setParameter("a", "1");
  Base.setParameter("b", "2");
  auto variant = [](const char* Text, int Code, Parameters Set) {
    LEGerror Error(COLerror(Text, 99, "elsewhere", Code));
    for (const auto& P : Set) Error.setParameter(P.first.c_str(), P.second.c_str());
    return Error;
  };
  struct Row {
    const char* what;
    LEGerror other;
    bool equal;
  } Rows[] = {
      {"same, parameters set in the other order, other file and line", variant("text", 3, {{"b", "2"}, {"a", "1"}}),
       true},
      {"other code", variant("text", 4, {{"a", "1"}, {"b", "2"}}), false},
      {"other description", variant("Text", 3, {{"a", "1"}, {"b", "2"}}), false},
      {"a parameter fewer", variant("text", 3, {{"a", "1"}}), false},
      {"a parameter more", variant("text", 3, {{"a", "1"}, {"b", "2"}, {"c", "3"}}), false},
      {"other value", variant("text", 3, {{"a", "1"}, {"b", "3"}}), false},
      {"other name", variant("text", 3, {{"a", "1"}, {"c", "2"}}), false},
  };
  for (const Row& R : Rows) {
    SCOPED_TRACE(R.what);
    EXPECT_EQ(Base.equals(R.other), R.equal);
    EXPECT_EQ(R.other.equals(Base), R.equal);
  }
}

TEST(LEGerror, PrintedFormIsTheErrorThenOneLinePerParameter) {
  EXPECT_EQ(printed(LEGerror("plain", 5)), "Error Code: 0x5\r\nDescription: plain\r\n");
  EXPECT_EQ(printed(withParameters()),
            "Error Code: 0x7\r\nDescription: described\r\nLine: 12\r\nFile: COLfile\r\n"
            "Alpha: first\r\nmid: 4294967295\r\nzeta: last\r\n");
}

TEST(LEGerror, ParameterNameByIndexAcceptsOnlyIndexesBelowTheCount) {
  LEGerror Error("e", 1);
  Error.setParameter("b", "2");
  Error.setParameter("a", "1");
  EXPECT_EQ(TESTtext(Error.parameterName(0)), "a");
  EXPECT_EQ(TESTtext(Error.parameterName(1)), "b");
  for (int Index : {2, -1}) {
    SCOPED_TRACE(Index);
    EXPECT_EQ(TEST_ERROR_OF(Error.parameterName(Index)),
              (TESTerrorFields{"Invalid parameter index " + std::to_string(Index) + ".  Should be no greater than 2",
                               COL_ERROR_PRECONDITION, 0, ""}));
  }
  EXPECT_EQ(TEST_ERROR_OF(LEGerror("e", 1).parameterName(0)),
            (TESTerrorFields{"Invalid parameter index 0.  Should be no greater than 0", COL_ERROR_PRECONDITION, 0, ""}));
}

}  // namespace
