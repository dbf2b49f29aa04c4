// The Windows C runtime's "C" locale conversions and descriptor modes, over glibc.
#include "platform/PLATwindows.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

extern char** environ;

size_t PLATwcstombs(char* dest, const wchar_t* src, size_t max) {
  size_t count = 0;
  for (;; ++src) {
    if (dest != nullptr && count == max) return count;
    uint32_t c = static_cast<uint32_t>(*src);
    if (c > 0xFF) {
      errno = EILSEQ;
      return static_cast<size_t>(-1);
    }
    if (dest != nullptr) dest[count] = static_cast<char>(c);
    if (c == 0) return count;
    ++count;
  }
}

size_t PLATmbstowcs(wchar_t* dest, const char* src, size_t max) {
  size_t count = 0;
  for (;; ++src) {
    if (dest != nullptr && count == max) return count;
    wchar_t c = static_cast<wchar_t>(static_cast<unsigned char>(*src));
    if (dest != nullptr) dest[count] = c;
    if (c == 0) return count;
    ++count;
  }
}

int PLATtoupper(int c) { return c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c; }
int PLATtolower(int c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c; }

namespace {
thread_local unsigned RandomState = 1;
}  // namespace

int PLATrand() {
  RandomState = RandomState * 214013u + 2531011u;
  return static_cast<int>((RandomState >> 16) & 0x7FFF);
}

void PLATsrand(unsigned seed) { RandomState = seed; }

int PLATmblen(const char* text, size_t count) {
  if (text == nullptr || *text == '\0' || count == 0) return 0;
  return 1;
}

int PLATismbblead(unsigned int) { return 0; }

namespace {

// The length of the name of an environment entry "NAME=value" when it names name, ignoring
// case; 0 otherwise.
size_t namedBy(const char* entry, const char* name) {
  size_t i = 0;
  for (; name[i] != '\0'; ++i)
    if (entry[i] == '\0' || PLATtoupper(static_cast<unsigned char>(entry[i])) !=
                                 PLATtoupper(static_cast<unsigned char>(name[i])))
      return 0;
  return entry[i] == '=' ? i : 0;
}

bool isVariableName(const char* name, size_t length) {
  return length > 0 && memchr(name, '=', length) == nullptr;
}

}  // namespace

char* PLATgetenv(const char* name) {
  if (name == nullptr || !isVariableName(name, strlen(name))) return nullptr;
  if (char* exact = getenv(name)) return exact;
  for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
    size_t length = namedBy(*entry, name);
    if (length != 0) return *entry + length + 1;
  }
  return nullptr;
}

int _putenv(const char* assignment) {
  const char* equals = assignment == nullptr ? nullptr : strchr(assignment, '=');
  if (equals == nullptr || equals == assignment) {
    errno = EINVAL;
    return -1;
  }
  std::string name(assignment, static_cast<size_t>(equals - assignment));
  std::vector<std::string> spellings;
  for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
    size_t length = namedBy(*entry, name.c_str());
    if (length != 0) spellings.emplace_back(*entry, length);
  }
  for (const std::string& spelling : spellings) unsetenv(spelling.c_str());
  if (equals[1] == '\0') return 0;
  if (setenv(name.c_str(), equals + 1, 1) != 0) return -1;
  return 0;
}

int _fileno(FILE* file) { return fileno(file); }

namespace {
std::mutex ModesLock;
std::unordered_map<int, int>& modes() {
  static std::unordered_map<int, int>* table = new std::unordered_map<int, int>;
  return *table;
}
}  // namespace

int _setmode(int fd, int mode) {
  if (fd < 0 || (mode != _O_TEXT && mode != _O_BINARY)) {
    errno = EINVAL;
    return -1;
  }
  std::lock_guard<std::mutex> guard(ModesLock);
  auto found = modes().find(fd);
  int previous = found == modes().end() ? _O_TEXT : found->second;
  modes()[fd] = mode;
  return previous;
}
