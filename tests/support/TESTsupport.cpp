// Shared test helpers.
#include "tests/support/TESTsupport.h"

#include "COL/COLostream.h"
#include "platform/PLATwindows.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <ostream>
#include <sstream>

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

void TESTsetEnvironment(const std::string& name, const char* value) {
  std::string assignment = name + "=" + (value != nullptr ? value : "");  // "NAME=" removes it
  _putenv(assignment.c_str());
}

TESTtemporaryDirectory::TESTtemporaryDirectory() {
  static unsigned count = 0;
  std::filesystem::path base = std::filesystem::temp_directory_path();
  uint64_t stamp = static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
  for (;;) {
    char name[64];
    snprintf(name, sizeof name, "coltest-%llx-%u", static_cast<unsigned long long>(stamp), count++);
    std::filesystem::path candidate = base / name;
    if (std::filesystem::create_directory(candidate)) {
      path_ = candidate.string();
      return;
    }
  }
}

TESTtemporaryDirectory::~TESTtemporaryDirectory() {
  std::error_code ignored;
  // Tests may leave files read-only; give the owner its rights back so all can go.
  for (auto& entry : std::filesystem::recursive_directory_iterator(path_, ignored))
    std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
  std::filesystem::remove_all(path_, ignored);
}

TESTprivateRegistryStore::TESTprivateRegistryStore() {
  if (TESTwindowsBuild) return;
  const char* before = getenv("PLAT_REGISTRY_DIR");
  hadBefore_ = before != nullptr;
  if (hadBefore_) before_ = before;
  TESTsetEnvironment("PLAT_REGISTRY_DIR", directory_.path().c_str());
}

TESTprivateRegistryStore::~TESTprivateRegistryStore() {
  if (TESTwindowsBuild) return;
  TESTsetEnvironment("PLAT_REGISTRY_DIR", hadBefore_ ? before_.c_str() : nullptr);
}

std::string TESTfileText(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return "<missing>";
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

void TESTwriteFile(const std::string& path, const std::string& text) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file << text;
}
