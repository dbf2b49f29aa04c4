// COLreadable: a byte source read from a position of its own, by the caller's pull
// (the simple buffer and the binary file are readables).
#pragma once

class COLreadable {
public:
  virtual ~COLreadable();
  // Copies up to len bytes from the position on and advances it; returns the count.
  virtual unsigned read(void* buffer, unsigned len) = 0;
  virtual unsigned position() = 0;
  virtual void set_position(unsigned position) = 0;
  virtual bool at_end() = 0;
};
