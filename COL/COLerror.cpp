// COLerror, the failure sequences and the error texts of the system and the runtime.
#include "COL/COLerror.h"

#include "COL/COLostream.h"
#include "COL/COLsink.h"
#include "platform/PLATwindows.h"

#include <cstdlib>
#include <cstring>

COLerror::COLerror(const COLstring& description, int line, const char* file, int code)
    : m_Description(description), m_Code(code), m_File(file), m_Line(line) {}

COLerror::COLerror(const COLstring& description, int code)
    : m_Description(description), m_Code(code), m_Line(0) {}

COLerror::COLerror(const COLerror& other, int code)
    : COLrefCounted(), m_Description(other.m_Description), m_Code(code), m_File(other.m_File),
      m_Line(other.m_Line) {}

COLerror::COLerror(const COLerror& other)
    : COLrefCounted(), m_Description(other.m_Description), m_Code(other.m_Code),
      m_File(other.m_File), m_Line(other.m_Line) {}

COLerror::~COLerror() {}

COLerror& COLerror::operator=(const COLerror& other) {
  m_Description = other.m_Description;
  m_Code = other.m_Code;
  m_File = other.m_File;
  m_Line = other.m_Line;
  return *this;
}

bool COLerror::operator==(const COLerror& other) const {
  return m_Code == other.m_Code && m_Description.size() == other.m_Description.size() &&
         memcmp(m_Description.c_str(), other.m_Description.c_str(),
                static_cast<size_t>(m_Description.size())) == 0;
}

COLostream& operator<<(COLostream& stream, const COLerror& error) {
  stream << "Error Code: 0x" << hex << error.code() << dec << newline;
  stream << "Description: " << error.description() << newline;
  if (!error.file().is_null()) {
    stream << "Line: " << error.line() << newline;
    stream << "File: " << error.file() << newline;
  }
  return stream;
}

namespace {
bool AbortOnFailure = false;
COLfailureCallbackFunction FailureCallback = COLdefaultFailureCallback;

// A message composed the way every reporting site does: a stream over a string sink.
struct Message {
  COLsinkString sink;
  COLostream stream{&sink};
  const COLstring& text() { return *sink.string(); }
};

[[noreturn]] void conditionFailed(const char* prefix, int code, int line, const char* source,
                                  const char* expression) {
  if (COLabortOnFailure()) COLabort();
  Message message;
  message.stream << prefix << expression;
  COLfailureCallback()(message.stream);
  throw COLerror(message.text(), line, source, code);
}
}  // namespace

void COLsetAbortOnFailure(bool abort) { AbortOnFailure = abort; }
bool COLabortOnFailure() { return AbortOnFailure; }
void COLsetFailureCallback(COLfailureCallbackFunction callback) { FailureCallback = callback; }
COLfailureCallbackFunction COLfailureCallback() { return FailureCallback; }
void COLdefaultFailureCallback(COLostream&) {}

void COLfatal(const COLstring& message) {
  COLstandardOutput << "Fatal Error. Abort with message: " << message << flush;
  OutputDebugStringA(message.c_str());
  COLabort();
}

void COLabort() { abort(); }

void COLassertionFailed(int line, const char* source, const char* expression) {
  Message message;
  message.stream << source << ":" << line << " Assertion failed: " << expression;
  COLstandardError << message.text() << '\n' << flush;
  COLfatal(message.text());
}

void COLpreconditionFailed(int line, const char* source, const char* expression) {
  conditionFailed("Failed precondition: ", COL_ERROR_PRECONDITION, line, source, expression);
}

void COLpostconditionFailed(int line, const char* source, const char* expression) {
  conditionFailed("Failed postcondition:", COL_ERROR_POSTCONDITION, line, source, expression);
}

COLstring COLwindowsErrorText(int code) {
  char* buffer = nullptr;
  DWORD length = FormatMessageA(
      FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ALLOCATE_BUFFER,
      nullptr, static_cast<DWORD>(code), 0x400, reinterpret_cast<LPSTR>(&buffer), 0, nullptr);
  COLstring text;
  if (length != 0 && buffer != nullptr) text = buffer;
  if (buffer != nullptr) LocalFree(buffer);
  return text;
}

int COLlastError() { return static_cast<int>(GetLastError()); }

COLstring COLstrerror(int errnum) { return COLstring(strerror(errnum)); }

void COLraiseWindowsError(int code, const char* text, int line, const char* file) {
  Message message;
  if (text != nullptr) message.stream << text;
  if (line != -1 && file != nullptr)
    message.stream << " on line " << static_cast<unsigned>(line) << " in " << file << " - ";
  message.stream << COLwindowsErrorText(code);
  throw COLerror(message.text(), code);
}
