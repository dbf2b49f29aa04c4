// COLattachedSink: the link from a byte source to the sink it pushes into. The sink is
// the caller's: it is never owned, and may be missing until a transfer needs it.
#pragma once

class COLsink;

class COLattachedSink {
public:
  explicit COLattachedSink(COLsink* next) : pNext(next) {}
  virtual ~COLattachedSink();

  void set_next(COLsink* next) { pNext = next; }
  bool has_next() const { return pNext != nullptr; }
  // The attached sink; fails its precondition when there is none.
  COLsink* next() const;

private:
  COLsink* pNext;
};
