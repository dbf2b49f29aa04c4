// The sink interface and the string and stdio sinks.
#include "COL/COLsink.h"

#include "COL/COLstring.h"
#include "platform/PLATwindows.h"

COLsink::~COLsink() {}
void COLsink::flush() {}
void COLsink::end_of_data() {}
bool COLsink::write_source(COLsource*) { return false; }

unsigned COLsinkFileHandle::write(const void* data, unsigned length) {
  if (length != 0) fwrite(data, 1, length, m_File);
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
