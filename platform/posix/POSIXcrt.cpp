// The Windows C runtime's "C" locale conversions and descriptor modes, over glibc.
#include "platform/PLATwindows.h"

#include <cerrno>
#include <mutex>
#include <unordered_map>

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
