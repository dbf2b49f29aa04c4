// The identity this build wrote for itself: the forms of its four lines.
#include "skelwin/SKELbuildInfo.h"

#include "COL/COLostream.h"
#include "tests/support/TESTsupport.h"

#include <regex>
#include <string>
#include <vector>

namespace {

TEST(SKELbuildInfo, ThisBuildsLinesHaveTheirForms) {
  COLostreamString stream;
  printBuildInfo(stream, true);
  std::string text = TESTtext(stream.string());
  std::vector<std::string> lines;
  for (size_t start = 0, end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
    lines.push_back(text.substr(start, end - start));
  ASSERT_EQ(lines.size(), 5u) << text;
  EXPECT_EQ(lines[4], "");
  const char* labels[] = {"Source Tag      : ", "Source Rev      : ", "Build DateTime  : ", "Build ID        : "};
  std::vector<std::string> values;
  for (int i = 0; i < 4; ++i) {
    ASSERT_EQ(lines[i].compare(0, 18, labels[i]), 0) << lines[i];
    values.push_back(lines[i].substr(18));
  }
  EXPECT_EQ(values[0], TESTtext(sourceTag()));
  EXPECT_FALSE(values[0].empty());
  EXPECT_TRUE(std::regex_match(values[1], std::regex("[0-9a-f]{12}"))) << values[1];
  EXPECT_TRUE(std::regex_match(values[2], std::regex("[0-9]{4}-[0-9]{2}-[0-9]{2}_[0-9]{2}-[0-9]{2}-[0-9]{2}"))) << values[2];
  if (values[3] != "n/a") {
    EXPECT_EQ(values[3].find("/" + values[2] + ".build_"), values[3].find('/')) << values[3];
    EXPECT_NE(values[3].find('/'), std::string::npos) << values[3];
  }
  EXPECT_EQ(values[3], TESTtext(buildId(SKELdefaultBuildId)));
}

}  // namespace
