// Shared test helpers.
#include "tests/support/TESTsupport.h"

#include "COL/COLostream.h"

#include <cstdio>
#include <cstring>
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
