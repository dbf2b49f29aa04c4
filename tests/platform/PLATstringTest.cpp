// Ordinal comparison of wide strings with case ignored, as Windows compares file names:
// the same rows on both builds (Windows' own answer under Wine, the layer's table here),
// and in the Windows build the layer's whole table against the system's.
#include "platform/PLATwindows.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// A text of UTF-16 code units (char16_t literals), as the WCHARs of this build.
std::wstring unitsOf(const std::u16string& units) {
  std::wstring text;
  for (size_t i = 0; i < units.size(); ++i) {
    const unsigned unit = units[i];
    if (sizeof(WCHAR) == 4 && unit >= 0xD800 && unit <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
        units[i + 1] <= 0xDFFF) {
      text += static_cast<WCHAR>(0x10000 + ((unit - 0xD800) << 10) + (units[i + 1] - 0xDC00));
      ++i;
    } else {
      text += static_cast<WCHAR>(unit);
    }
  }
  return text;
}

int compare(const std::u16string& left, const std::u16string& right, BOOL ignoreCase) {
  const std::wstring a = unitsOf(left), b = unitsOf(right);
  return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()), ignoreCase);
}

TEST(PLATstring, CaseIsIgnoredInEveryScriptAndNothingElseIsFolded) {
  const struct {
    const char* why;
    std::u16string left, right;
    int ignoringCase, exactly;
  } cases[] = {
      {"ASCII", u"C:\\Tools", u"c:\\TOOLS", CSTR_EQUAL, CSTR_LESS_THAN},
      {"Latin-1", u"C:\\Ärger", u"C:\\ärger", CSTR_EQUAL, CSTR_LESS_THAN},
      {"Greek", u"C:\\ΣΟΦΊΑ", u"C:\\σοφία", CSTR_EQUAL, CSTR_LESS_THAN},
      {"Cyrillic", u"C:\\ПРОГРАММЫ", u"C:\\программы", CSTR_EQUAL, CSTR_LESS_THAN},
      {"fullwidth", u"C:\\ＴＯＯＬＳ", u"C:\\ｔｏｏｌｓ", CSTR_EQUAL, CSTR_LESS_THAN},
      {"Latin Extended-A", u"C:\\ŁÓDŹ", u"C:\\łódź", CSTR_EQUAL, CSTR_LESS_THAN},
      {"Armenian", u"Ա", u"ա", CSTR_EQUAL, CSTR_LESS_THAN},
      {"sharp s is not SS", u"STRASSE", u"straße", CSTR_LESS_THAN, CSTR_LESS_THAN},
      {"sharp s is not the capital sharp s", u"ß", u"ẞ", CSTR_LESS_THAN, CSTR_LESS_THAN},
      {"dotted capital I is not i", u"İ", u"i", CSTR_GREATER_THAN, CSTR_GREATER_THAN},
      {"dotless i is not I", u"ı", u"I", CSTR_GREATER_THAN, CSTR_GREATER_THAN},
      {"long s is not S", u"ſ", u"s", CSTR_GREATER_THAN, CSTR_GREATER_THAN},
      {"final sigma is not sigma", u"ς", u"σ", CSTR_GREATER_THAN, CSTR_LESS_THAN},
      {"micro sign is not mu", u"µ", u"μ", CSTR_LESS_THAN, CSTR_LESS_THAN},
      {"the Kelvin sign is not K", u"\u212A", u"k", CSTR_GREATER_THAN, CSTR_GREATER_THAN},
      {"composed and decomposed", u"C:\\Café", u"C:\\Cafe\u0301", CSTR_GREATER_THAN, CSTR_GREATER_THAN},
      {"nothing beyond U+FFFF changes case", u"\U00010400", u"\U00010428", CSTR_LESS_THAN, CSTR_LESS_THAN},
      {"code units, not code points, give the order", u"\U00010000", u"\uFF21", CSTR_LESS_THAN, CSTR_LESS_THAN},
      {"lone surrogates stay themselves", u"a\xD800", u"A\xDFFF", CSTR_LESS_THAN, CSTR_GREATER_THAN},
      {"a lone surrogate is not U+FFFD", u"\xD800", u"\xFFFD", CSTR_LESS_THAN, CSTR_LESS_THAN},
      {"a prefix comes first", u"C:\\a", u"C:\\A\\b", CSTR_LESS_THAN, CSTR_GREATER_THAN},
      {"empty texts", u"", u"", CSTR_EQUAL, CSTR_EQUAL},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(compare(c.left, c.right, TRUE), c.ignoringCase) << c.why;
    EXPECT_EQ(compare(c.left, c.right, FALSE), c.exactly) << c.why;
  }
}

TEST(PLATstring, LengthsAndNullTexts) {
  const WCHAR text[] = L"Abc";
  const WCHAR lower[] = L"abcdef";
  EXPECT_EQ(CompareStringOrdinal(text, -1, lower, 3, TRUE), CSTR_EQUAL);
  EXPECT_EQ(CompareStringOrdinal(text, -1, lower, -1, TRUE), CSTR_LESS_THAN);
  EXPECT_EQ(CompareStringOrdinal(text, 0, lower, 0, FALSE), CSTR_EQUAL);
  SetLastError(0);
  EXPECT_EQ(CompareStringOrdinal(nullptr, 1, lower, 1, TRUE), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

#if TEST_WINDOWS_BUILD
struct UpperRun {
  unsigned first, last, stride;
  int delta;
};
const UpperRun UpperRuns[] = {
#include "platform/posix/POSIXupperCase.inc"
};

// Every code unit's uppercase in the layer's table is the one the system pairs it with.
TEST(PLATstring, TheLayersUppercaseTableIsTheSystems) {
  typedef WCHAR(WINAPI * Upcase)(WCHAR);
  Upcase upcase = reinterpret_cast<Upcase>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "RtlUpcaseUnicodeChar")));
  ASSERT_NE(upcase, nullptr);
  std::wstring ours(0x10000, L'\0');
  for (unsigned unit = 0; unit <= 0xFFFF; ++unit) ours[unit] = static_cast<WCHAR>(unit);
  for (const UpperRun& run : UpperRuns)
    for (unsigned unit = run.first; unit <= run.last; unit += run.stride)
      ours[unit] = static_cast<WCHAR>(static_cast<int>(unit) + run.delta);
  int differences = 0;
  for (unsigned unit = 0; unit <= 0xFFFF; ++unit) {
    const WCHAR system = upcase(static_cast<WCHAR>(unit));
    if (system != ours[unit] && ++differences <= 10)
      ADD_FAILURE() << std::hex << "U+" << unit << ": the system's uppercase is U+" << unsigned(system)
                    << ", the table's U+" << unsigned(ours[unit]);
    const WCHAR unitText = static_cast<WCHAR>(unit);
    if (CompareStringOrdinal(&unitText, 1, &ours[unit], 1, TRUE) != CSTR_EQUAL && ++differences <= 10)
      ADD_FAILURE() << std::hex << "U+" << unit << " and U+" << unsigned(ours[unit]) << " differ to the system";
  }
  EXPECT_EQ(differences, 0);
}
#endif

}  // namespace
