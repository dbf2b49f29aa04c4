// Push sources: a COLsource pumps its bytes into the sink attached to it, in chunks,
// then tells the sink that the transfer ended; COLsourceBinary adds a movable start and
// an end limit. A sink may take a whole source over instead (COLsink::write_source).
#pragma once

#include "COL/COLattachedSink.h"

class COLsource : public COLattachedSink {
public:
  explicit COLsource(COLsink* next) : COLattachedSink(next), m_Finished(false) {}
  ~COLsource() override;

  void set_finished(bool finished) { m_Finished = finished; }
  virtual bool is_finished() { return m_Finished; }
  // Writes at most n bytes to the next sink; sets finished when the end is reached.
  virtual void send_chunk(unsigned n) = 0;
  // Back to the start, after a complete transfer.
  virtual void rewind() = 0;

  // Transfers every byte into the next sink, at most chunk (at least 1) bytes per
  // write, then flushes the sink, signals the end of data and rewinds.
  void pump(unsigned chunk);

private:
  bool m_Finished;
};

class COLsourceBinary : public COLsource {
public:
  explicit COLsourceBinary(COLsink* next) : COLsource(next) {}
  // Where the next chunk starts.
  virtual void set_position(unsigned position) = 0;
  // Where the source ends; 0 means at the end of the data.
  virtual void set_limit(unsigned limit) = 0;
};
