// Which handles are a console's: a file's is not, whatever is written to it (a terminal's
// is, which tests/COL/console.sh shows on a pseudo-terminal).
#include "platform/PLATwindows.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

TEST(PLATconsole, AFileIsNoConsole) {
  FILE* file = tmpfile();
  ASSERT_NE(file, nullptr);
  HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
  DWORD mode = 12345;
  SetLastError(0);
  EXPECT_FALSE(GetConsoleMode(handle, &mode));
  EXPECT_NE(GetLastError(), 0u);
  DWORD written = 0;
  const WCHAR text[] = L"x";
  EXPECT_FALSE(WriteConsoleW(handle, text, 1, &written, nullptr));
  EXPECT_EQ(ftell(file), 0);
  fclose(file);
  EXPECT_NE(GetStdHandle(STD_OUTPUT_HANDLE), GetStdHandle(STD_ERROR_HANDLE));
}

}  // namespace
