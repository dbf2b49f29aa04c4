// Shared test helpers.
#include "tests/support/TESTsupport.h"

#include "COL/COLostream.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <ostream>

std::string TESTrecordingSink::text() const {
  std::string all;
  for (const std::string& piece : writes) all += piece;
  return all;
}

std::string TESTexactly(const std::string& text) {
  std::string pattern;
  for (char c : text) {
    if (strchr("\\^$.|?*+()[]{}", c) != nullptr) pattern += '\\';
#if GTEST_USES_SIMPLE_RE
    if (c == '\n') {
      pattern += "\\n";
      continue;
    }
#endif
    pattern += c;
  }
  return pattern;
}

void TESTstandardOutputToStandardError() {
  fflush(stdout);
  COLstandardOutput.set_sink(new COLsinkFileHandle(stderr), true);
}

std::string TESTtext(const COLstring& text) { return std::string(text.c_str(), text.size()); }

TESTerrorFields TESTfieldsOf(const COLerror& error) {
  return TESTerrorFields{TESTtext(error.description()), error.code(), TESTtext(error.file()),
                         error.line()};
}

std::ostream& operator<<(std::ostream& out, const TESTerrorFields& fields) {
  char code[16];
  snprintf(code, sizeof code, "0x%08X", static_cast<unsigned>(fields.code));
  return out << "{\"" << fields.description << "\", " << code << ", \"" << fields.file << "\", "
             << fields.line << "}";
}

namespace {
void setZone(const char* tz) {
#ifdef _WIN32
  // The Windows runtime has no setenv; _putenv copies the text, and "TZ=" removes it.
  _putenv((std::string("TZ=") + (tz != nullptr ? tz : "")).c_str());
  _tzset();
#else
  if (tz != nullptr)
    setenv("TZ", tz, 1);
  else
    unsetenv("TZ");
  tzset();
#endif
}
}  // namespace

TESTtimeZone::TESTtimeZone(const char* tz) : m_HadZone(getenv("TZ") != nullptr) {
  if (m_HadZone) m_Previous = getenv("TZ");
  setZone(tz);
}

TESTtimeZone::~TESTtimeZone() { setZone(m_HadZone ? m_Previous.c_str() : nullptr); }

long long TESTdaysFromCivil(long long year, unsigned month, unsigned day) {
  // Years counted from March, so that February's leap day ends the year.
  year -= month <= 2;
  const long long era = (year >= 0 ? year : year - 399) / 400;
  const unsigned yearOfEra = static_cast<unsigned>(year - era * 400);
  const unsigned dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
  const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + static_cast<long long>(dayOfEra) - 719468;
}
