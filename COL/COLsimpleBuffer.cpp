// The simple buffer: its block, growth rule and the sink, source and readable sides.
#include "COL/COLsimpleBuffer.h"

#include "COL/COLerror.h"
#include "COL/COLostream.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {
const uint64_t LargestSize = 0xFFFFFFFFu;

bool pointsInto(const void* p, const char* block, unsigned length) {
  uintptr_t at = reinterpret_cast<uintptr_t>(p);
  uintptr_t first = reinterpret_cast<uintptr_t>(block);
  return block != nullptr && at >= first && at - first < length;
}

// Sizes are 32-bit: a size past them is refused rather than wrapped, which would shrink
// the block and lose the content.
[[noreturn]] void refuseSize(uint64_t size, int line) {
  COLostreamString text;
  text << "Unable to grow a COLsimpleBuffer to " << static_cast<unsigned long long>(size)
       << " bytes: it holds at most 4294967295.";
  throw COLerror(text.c_str(), line, "COLsimpleBuffer", COL_ERROR_PRECONDITION);
}
}  // namespace

COLsimpleBuffer::COLsimpleBuffer(unsigned size)
    : m_Data(nullptr), m_End(nullptr), m_WritePosition(0), m_ReadPosition(0), m_SourcePosition(0),
      m_SourceLimit(0), m_Size(0), m_Capacity(0) {
  if (size != 0) resize(size);
}

COLsimpleBuffer::COLsimpleBuffer(const COLsimpleBuffer& other)
    : COLsink(), COLsimpleBufferSourceSide(), COLsimpleBufferReadableSide(), m_Data(nullptr),
      m_End(nullptr), m_WritePosition(0), m_ReadPosition(0), m_SourcePosition(0), m_SourceLimit(0),
      m_Size(0), m_Capacity(0) {
  resize(other.m_Size);
  if (m_Size != 0) memcpy(m_Data, other.m_Data, m_Size);
}

COLsimpleBuffer::~COLsimpleBuffer() { free(m_Data); }

char& COLsimpleBuffer::operator[](unsigned PositionIndex) {
  COL_PRECONDITION(PositionIndex < size(), 89, "COLsimpleBuffer");
  return m_Data[PositionIndex];
}

char COLsimpleBuffer::operator[](const unsigned& PositionIndex) const {
  COL_PRECONDITION(PositionIndex < size(), 95, "COLsimpleBuffer");
  return m_Data[PositionIndex];
}

void COLsimpleBuffer::resize(unsigned n) {
  if (n == 0) {
    free(m_Data);
    m_Data = m_End = nullptr;
    m_WritePosition = m_ReadPosition = m_SourcePosition = m_SourceLimit = m_Size = m_Capacity = 0;
    return;
  }
  if (n > m_Capacity || n < m_Capacity / 2) {
    char* pNewBuffer = static_cast<char*>(realloc(m_Data, n));
    if (pNewBuffer == nullptr) COLpreconditionFailed(70, "COLsimpleBuffer", "pNewBuffer, Out of memory.");
    m_Data = pNewBuffer;
    m_Capacity = n;
  }
  // Callers use a grown buffer as a zeroed block (the registry reads into one).
  if (n > m_Size) memset(m_Data + m_Size, 0, n - m_Size);
  m_Size = n;
  if (m_WritePosition > n) m_WritePosition = n;
  m_End = m_Data + n;
}

COLsimpleBuffer& COLsimpleBuffer::operator=(const char* text) {
  if (pointsInto(text, m_Data, m_Capacity)) {
    // The text is part of this block, which the resize may move or zero.
    std::string copy(text);
    return *this = copy.c_str();
  }
  uint64_t length = static_cast<uint64_t>(strlen(text)) + 1;
  if (length > LargestSize) refuseSize(length, 77);
  resize(static_cast<unsigned>(length));
  memcpy(m_Data, text, static_cast<size_t>(length));
  return *this;
}

COLsimpleBuffer& COLsimpleBuffer::operator=(const COLsimpleBuffer& other) {
  if (this == &other) return *this;
  resize(other.m_Size);
  if (m_Size != 0) memcpy(m_Data, other.m_Data, m_Size);
  return *this;
}

bool COLsimpleBuffer::operator==(const COLsimpleBuffer& other) const {
  return m_Size == other.m_Size && (m_Size == 0 || memcmp(m_Data, other.m_Data, m_Size) == 0);
}

unsigned COLsimpleBuffer::source_end() const {
  return m_SourceLimit != 0 && m_SourceLimit < m_Size ? m_SourceLimit : m_Size;
}

unsigned COLsimpleBuffer::write(const void* bytes, unsigned len) {
  uint64_t needed = static_cast<uint64_t>(m_WritePosition) + len;
  if (needed > m_Capacity) {
    if (needed > LargestSize) refuseSize(needed, 125);
    // The bytes may lie in this block, which the growth moves.
    bool own = pointsInto(bytes, m_Data, m_Capacity);
    size_t offset = own ? static_cast<size_t>(static_cast<const char*>(bytes) - m_Data) : 0;
    uint64_t doubled = 2 * needed;
    resize(static_cast<unsigned>(doubled > LargestSize ? LargestSize : doubled));
    resize(static_cast<unsigned>(needed));
    if (own) bytes = m_Data + offset;
  }
  if (len != 0) memmove(m_Data + m_WritePosition, bytes, len);
  m_WritePosition += len;
  if (m_WritePosition > m_Size) m_Size = m_WritePosition;
  if (m_Data != nullptr) m_End = m_Data + m_Size;
  return len;
}

void COLsimpleBuffer::send_chunk(unsigned n) {
  unsigned e = source_end();
  if (m_SourcePosition >= e) {
    set_finished(true);
    return;
  }
  // In 64 bits: a large chunk must not wrap past the end.
  if (static_cast<uint64_t>(m_SourcePosition) + n >= e) {
    set_finished(true);
    n = e - m_SourcePosition;
  }
  next()->write(m_Data + m_SourcePosition, n);
  m_SourcePosition += n;
}

unsigned COLsimpleBuffer::read(void* buffer, unsigned len) {
  if (m_ReadPosition >= m_Size) return 0;
  unsigned count = m_Size - m_ReadPosition;
  if (len < count) count = len;
  memcpy(buffer, m_Data + m_ReadPosition, count);
  m_ReadPosition += count;
  return count;
}
