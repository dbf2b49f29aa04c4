// The link from a source to its sink.
#include "COL/COLattachedSink.h"

#include "COL/COLerror.h"

COLattachedSink::~COLattachedSink() {}

COLsink* COLattachedSink::next() const {
  COL_PRECONDITION(pNext != NULL, 53, "COLattachedSink");
  return pNext;
}
