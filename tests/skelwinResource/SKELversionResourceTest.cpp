// Skelwin's version resource, compiled into this test program of the Windows build and
// read back from the program's own file. (Windows only: the layer has no resources.)
#include "skelwin/SKELbuildInfo.h"

#include "platform/PLATwindows.h"
#include "tests/support/TESTsupport.h"

#include <winver.h>

#include <string>
#include <vector>

namespace {

class SKELversionResource : public ::testing::Test {
protected:
  void SetUp() override {
    const std::string program = TESTprogramPath();
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeA(program.c_str(), &ignored);
    ASSERT_GT(size, 0u) << "no version resource in " << program << ", error " << GetLastError();
    data.resize(size);
    ASSERT_TRUE(GetFileVersionInfoA(program.c_str(), 0, size, data.data()));
  }
  void* value(const std::string& name, UINT& length) {
    void* found = nullptr;
    length = 0;
    if (!VerQueryValueA(data.data(), name.c_str(), &found, &length)) return nullptr;
    return found;
  }
  std::vector<char> data;
};

TEST_F(SKELversionResource, FixedPartAndTranslation) {
  UINT length = 0;
  auto* fixed = static_cast<VS_FIXEDFILEINFO*>(value("\\", length));
  ASSERT_NE(fixed, nullptr);
  ASSERT_GE(length, sizeof(VS_FIXEDFILEINFO));
  EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
  EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
  EXPECT_EQ(fixed->dwFileVersionLS, 0x00010001u);
  EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);
  EXPECT_EQ(fixed->dwProductVersionLS, 0x00010001u);
  EXPECT_EQ(fixed->dwFileFlagsMask, 0x17u);
  EXPECT_EQ(fixed->dwFileFlags, 0u);
  EXPECT_EQ(fixed->dwFileOS, 0x4u);
  EXPECT_EQ(fixed->dwFileType, 0x1u);
  EXPECT_EQ(fixed->dwFileSubtype, 0u);

  auto* translation = static_cast<WORD*>(value("\\VarFileInfo\\Translation", length));
  ASSERT_NE(translation, nullptr);
  ASSERT_EQ(length, 4u);
  EXPECT_EQ(translation[0], 0x0409);
  EXPECT_EQ(translation[1], 0x04B0);
}

TEST_F(SKELversionResource, EveryStringValue) {
  const std::string builtId = TESTtext(buildId(""));
  struct Case {
    const char* name;
    std::string text;
  };
  const Case cases[] = {
      {"FileDescription", "Skelwin.exe"}, {"FileVersion", "1,0,1,1"},      {"InternalName", "Skelwin.exe"},
      {"OriginalFilename", "Skelwin.exe"}, {"ProductName", "Skelwin.exe"}, {"ProductVersion", "1,0,1,1"},
      {"SourceBuildId", builtId},          {"SourceDateTime", "n/a"},      {"SourceTag", "n/a"},
  };
  for (const Case& c : cases) {
    UINT length = 0;
    const char* text = static_cast<const char*>(value(std::string("\\StringFileInfo\\040904B0\\") + c.name, length));
    ASSERT_NE(text, nullptr) << c.name;
    EXPECT_EQ(std::string(text), c.text) << c.name;
  }
}

}  // namespace
