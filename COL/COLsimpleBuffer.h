// COLsimpleBuffer: a growable block of bytes that is at once a sink (writes store bytes
// at its write position), a binary source (it pumps its bytes into another sink) and a
// readable (bytes are read back from its read position). The three positions move
// independently. Growth zero-fills, so the buffer also serves as a zeroed byte block.
// Sizes are unsigned 32-bit: a growth past 4294967295 bytes is refused.
//
// The source and the readable both have set_position(unsigned), meaning different
// positions, so an unqualified buffer.set_position(n) does not compile. Reach each one
// by its own name, set_source_position / set_read_position, or through the interface:
// static_cast<COLsourceBinary&>(buffer).set_position(n) moves the source position,
// static_cast<COLreadable&>(buffer).set_position(n) the read position.
#pragma once

#include "COL/COLreadable.h"
#include "COL/COLsink.h"
#include "COL/COLsource.h"

// The source side of the buffer, with set_position named after the position it moves.
class COLsimpleBufferSourceSide : public COLsourceBinary {
public:
  COLsimpleBufferSourceSide() : COLsourceBinary(nullptr) {}
  void set_position(unsigned position) final { set_source_position(position); }
  virtual void set_source_position(unsigned position) = 0;
};

// The readable side of the buffer, likewise.
class COLsimpleBufferReadableSide : public COLreadable {
public:
  void set_position(unsigned position) final { set_read_position(position); }
  virtual void set_read_position(unsigned position) = 0;
};

class COLsimpleBuffer : public COLsink, public COLsimpleBufferSourceSide, public COLsimpleBufferReadableSide {
public:
  explicit COLsimpleBuffer(unsigned size = 0);
  // The other's bytes, with every position at 0 and no limit.
  COLsimpleBuffer(const COLsimpleBuffer& other);
  ~COLsimpleBuffer() override;

  char* data() { return m_Data; }
  const char* data() const { return m_Data; }
  char* end() { return m_End; }
  const char* end() const { return m_End; }
  unsigned size() const { return m_Size; }
  unsigned capacity() const { return m_Capacity; }

  char& operator[](unsigned PositionIndex);
  char operator[](const unsigned& PositionIndex) const;

  // Sets the size. The block is reallocated only when n is above the capacity or below
  // half of it; bytes beyond the old size read as 0. resize(0) frees the block and
  // clears every position and the limit.
  void resize(unsigned n);

  // The text with its terminating NUL.
  COLsimpleBuffer& operator=(const char* text);
  COLsimpleBuffer& operator=(const COLsimpleBuffer& other);
  // The same bytes, whatever the capacities and positions.
  bool operator==(const COLsimpleBuffer& other) const;

  // The next write overwrites from the start; the size stays.
  void reset_write_position() { m_WritePosition = 0; }
  // The limit when it is set and below the size, else the size.
  unsigned source_end() const;

  // The sink side.
  unsigned write(const void* bytes, unsigned len) override;

  // The source side.
  void send_chunk(unsigned n) override;
  void rewind() override { m_SourcePosition = 0; }
  void set_source_position(unsigned position) override { m_SourcePosition = position; }
  void set_limit(unsigned limit) override { m_SourceLimit = limit; }

  // The readable side.
  unsigned read(void* buffer, unsigned len) override;
  unsigned position() override { return m_ReadPosition; }
  void set_read_position(unsigned position) override { m_ReadPosition = position; }
  bool at_end() override { return m_ReadPosition >= m_Size; }

private:
  char* m_Data;
  char* m_End;
  unsigned m_WritePosition;
  unsigned m_ReadPosition;
  unsigned m_SourcePosition;
  unsigned m_SourceLimit;
  unsigned m_Size;
  unsigned m_Capacity;
};
