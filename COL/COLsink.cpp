// The sink interface and the string and stdio sinks.
#include "COL/COLsink.h"

#include "COL/COLcriticalSection.h"
#include "COL/COLstring.h"
#include "platform/PLATwindows.h"

#include <string>

COLsink::~COLsink() {}
void COLsink::flush() {}
void COLsink::end_of_data() {}
bool COLsink::write_source(COLsource*) { return false; }

namespace {

// The console that the stream leads to, or null for anything else (a pipe, a file, no
// descriptor at all).
HANDLE consoleOf(FILE* file) {
  int fd = _fileno(file);
  if (fd < 0) return nullptr;
  HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
  DWORD mode = 0;
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE || !GetConsoleMode(handle, &mode)) return nullptr;
  return handle;
}

// How many bytes at the end of the text begin a character of the process's code page that
// they do not complete.
unsigned incompleteTail(const char* data, unsigned length) {
  if (GetACP() == CP_UTF8) {
    for (unsigned back = 1; back <= 3 && back <= length; ++back) {
      const unsigned char byte = static_cast<unsigned char>(data[length - back]);
      if ((byte & 0xC0) == 0x80) continue;
      const unsigned needs = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
      return needs > back ? back : 0;
    }
    return 0;
  }
  unsigned i = 0;
  while (i < length) {
    if (!IsDBCSLeadByte(static_cast<BYTE>(data[i]))) {
      ++i;
    } else if (i + 1 == length) {
      return 1;
    } else {
      i += 2;
    }
  }
  return 0;
}

// The text as characters on the console; what the console refuses is lost, as a failed
// fwrite's bytes are.
void showOnConsole(HANDLE console, const char* data, unsigned length) {
  if (length == 0) return;
  const int wideLength = MultiByteToWideChar(CP_ACP, 0, data, static_cast<int>(length), nullptr, 0);
  if (wideLength <= 0) return;
  std::wstring wide(static_cast<size_t>(wideLength), L'\0');
  MultiByteToWideChar(CP_ACP, 0, data, static_cast<int>(length), &wide[0], wideLength);
  // In pieces of a size every console takes, never between the halves of a pair.
  const size_t Piece = 8192;
  for (size_t done = 0; done < wide.size();) {
    size_t count = wide.size() - done < Piece ? wide.size() - done : Piece;
    if (done + count < wide.size() && count > 1 && wide[done + count - 1] >= 0xD800 &&
        wide[done + count - 1] <= 0xDBFF)
      --count;
    DWORD written = 0;
    if (!WriteConsoleW(console, wide.data() + done, static_cast<DWORD>(count), &written, nullptr)) return;
    done += count;
  }
}

}  // namespace

// A console that a sink writes to, and the first bytes of a character that the last write
// cut off, which wait for the rest. The lock keeps them and the order of the text whole
// when threads share the sink.
class COLsinkConsole {
public:
  explicit COLsinkConsole(HANDLE console) : m_Console(console) {}
  COLsinkConsole(const COLsinkConsole&) = delete;
  COLsinkConsole& operator=(const COLsinkConsole&) = delete;

  void show(FILE* file, const char* bytes, unsigned length);

  // What is left of a character when the sink goes: shown as it is.
  void showPending() {
    COLscopedLock hold(&m_Lock);
    showOnConsole(m_Console, m_Pending, m_PendingLength);
    m_PendingLength = 0;
  }

private:
  HANDLE m_Console;
  COLmutex m_Lock;
  char m_Pending[4] = {};
  unsigned m_PendingLength = 0;
};

void COLsinkConsole::show(FILE* file, const char* bytes, unsigned length) {
  COLscopedLock hold(&m_Lock);
  // What the stream holds goes first, so that the order of the text stays.
  fflush(file);
  std::string text(m_Pending, m_PendingLength);
  text.append(bytes, length);
  const unsigned tail = incompleteTail(text.data(), static_cast<unsigned>(text.size()));
  const unsigned whole = static_cast<unsigned>(text.size()) - tail;
  showOnConsole(m_Console, text.data(), whole);
  for (unsigned i = 0; i < tail; ++i) m_Pending[i] = text[whole + i];
  m_PendingLength = tail;
}

COLsinkFileHandle::COLsinkFileHandle(FILE* file) : m_File(file), m_pConsole(nullptr) {
  if (HANDLE console = consoleOf(file)) m_pConsole = new COLsinkConsole(console);
}

COLsinkFileHandle::~COLsinkFileHandle() {
  if (m_pConsole == nullptr) return;
  m_pConsole->showPending();
  delete m_pConsole;
}

unsigned COLsinkFileHandle::write(const void* data, unsigned length) {
  if (length == 0) return length;
  if (m_pConsole == nullptr) {
    fwrite(data, 1, length, m_File);
  } else {
    m_pConsole->show(m_File, static_cast<const char*>(data), length);
  }
  return length;
}

void COLsinkFileHandle::flush() { fflush(m_File); }

int COLsinkFileHandle::set_binary_mode(bool binary) { return COLsetBinaryMode(m_File, binary); }
int COLsinkStandardOut::set_binary_mode(bool binary) { return COLsetBinaryMode(stdout, binary); }
int COLsinkStandardErr::set_binary_mode(bool binary) { return COLsetBinaryMode(stderr, binary); }

int COLsetBinaryMode(FILE* file, bool binary) {
  return _setmode(_fileno(file), binary ? _O_BINARY : _O_TEXT);
}

COLsinkString::COLsinkString() : m_Target(new COLstring), m_Owns(true) {}
COLsinkString::COLsinkString(COLstring& target) : m_Target(&target), m_Owns(false) {}
COLsinkString::COLsinkString(COLstring* target) : m_Target(target), m_Owns(true) {}
COLsinkString::COLsinkString(COLstring* target, bool owns) : m_Target(target), m_Owns(owns) {}

COLsinkString::~COLsinkString() {
  if (m_Owns) delete m_Target;
}

// The string's own write, which refuses a length that an int cannot carry.
unsigned COLsinkString::write(const void* data, unsigned length) {
  return m_Target->write(static_cast<const char*>(data), length);
}

void COLsinkString::flush() {}
