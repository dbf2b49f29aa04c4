// The identity unit built with fixed values (skelwinFixed/SKELbuildValues.h): a release
// build of Olv 2.4.7 without a build id.
#include "skelwin/SKELbuildInfo.h"

#include "COL/COLostream.h"
#include "tests/support/TESTsupport.h"

namespace {

std::string printed(bool trailingNewline) {
  COLostreamString stream;
  printBuildInfo(stream, trailingNewline);
  return TESTtext(stream.string());
}

TEST(SKELbuildInfo, FourLinesAndNaForAMissingBuildId) {
  const std::string lines =
      "Source Tag      : Olv_2_4_7\r\n"
      "Source Rev      : 0123456789ab\r\n"
      "Build DateTime  : 2024-02-29_23-59-07\r\n"
      "Build ID        : n/a\r\n";
  EXPECT_EQ(printed(false), lines);
  EXPECT_EQ(printed(true), lines + "\r\n");
  EXPECT_EQ(TESTtext(buildId("none")), "none");
  EXPECT_EQ(TESTtext(buildId(SKELdefaultBuildId)), "n/a");
  EXPECT_TRUE(buildInfoAvailable());
}

TEST(SKELbuildInfo, ReleaseTagsAndVersionStrings) {
  EXPECT_EQ(TESTtext(releaseTag("P", 2, 4, 7)), "P_2_4_7");
  EXPECT_EQ(TESTtext(releaseTag("", 10, 0, 123)), "_10_0_123");
  struct Case {
    const char* prefix;
    int major, minor, patch;
    const char* tag;
    const char* version;
  };
  const Case cases[] = {
      {"P", 2, 4, 7, "P_2_4_7", "2.4.7-release"},
      {"P", 2, 4, 7, "P_2_4_8", "2.4.7-snapshot"},
      {"P", 2, 4, 7, "p_2_4_7", "2.4.7-snapshot"},  // tags compare with case
      {"P", 2, 4, 7, "P_2_4_7 ", "2.4.7-snapshot"},
      {"P", 2, 4, 7, "", "2.4.7-snapshot"},
      {"Olv", 1, 0, 12, "Olv_1_0_12", "1.0.12-release"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TESTtext(buildVersionString(c.prefix, c.major, c.minor, c.patch, c.tag)), c.version) << c.tag;
    EXPECT_EQ(matchesReleaseTag(c.prefix, c.major, c.minor, c.patch, c.tag),
              std::string(c.version).find("-release") != std::string::npos) << c.tag;
  }
}

TEST(SKELbuildInfo, TheSourceTagDecidesWhetherThisIsARelease) {
  EXPECT_EQ(TESTtext(sourceTag()), "Olv_2_4_7");
  EXPECT_TRUE(isReleaseBuild("Olv", 2, 4, 7));
  EXPECT_FALSE(isReleaseBuild("Olv", 2, 4, 8));
  EXPECT_FALSE(isReleaseBuild("olv", 2, 4, 7));
  EXPECT_EQ(TESTtext(buildVersionString("Olv", 2, 4, 7)), "2.4.7-release");
  EXPECT_EQ(TESTtext(buildVersionString("Olv", 2, 5, 0)), "2.5.0-snapshot");
}

}  // namespace
