// Multibyte text to 16-bit wide characters.
#include "COL/COLmultiByteToWide.h"

#include "COL/COLerror.h"
#include "COL/COLsimpleBuffer.h"
#include "platform/PLATwindows.h"

#include <cstring>
#include <memory>

namespace {
// These failures belong to the string unit's conversions, whose source they name.
[[noreturn]] void conversionFailed(const char* text, int line) {
  throw COLerror(COLstring("Unable to convert multibyte string to wide character, locale may be incorrect: ") + text,
                 line, "COLstring", COL_ERROR_CONVERSION);
}
}  // namespace

size_t COLmultiByteToWide(const char* text, COLsimpleBuffer& out) {
  if (text == nullptr) return 0;
  size_t n = PLATmbstowcs(nullptr, text, 0);
  // A count whose bytes do not fit the buffer's 32-bit size fails like the conversion.
  if (n == static_cast<size_t>(-1) || n > (0xFFFFFFFFu - 2) / 2) conversionFailed(text, 926);
  out.resize(static_cast<unsigned>(2 * n + 2));
  memset(out.data(), 0, 2 * n + 2);
  // The runtime writes its own wchar_t, 32 bits wide on Linux; each one is narrowed to
  // 16 bits, which holds every character of the "C" locale (U+0000..U+00FF).
  std::unique_ptr<wchar_t[]> wide(new wchar_t[n + 1]);
  size_t written = PLATmbstowcs(wide.get(), text, n);
  if (written == static_cast<size_t>(-1)) conversionFailed(text, 934);
  for (size_t i = 0; i < written; ++i) {
    char16_t unit = static_cast<char16_t>(wide[i]);
    memcpy(out.data() + 2 * i, &unit, sizeof unit);
  }
  return n;
}
