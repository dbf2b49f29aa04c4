// Pumping a source into its sink.
#include "COL/COLsource.h"

#include "COL/COLerror.h"
#include "COL/COLsink.h"

COLsource::~COLsource() {}

void COLsource::pump(unsigned chunk) {
  if (!has_next())
    throw COLerror("This COLsource object has no next() value (ie. there is no COLsink to write to).", 92,
                   "COLsource", COL_ERROR_PRECONDITION);
  // A chunk of no bytes would never reach the end.
  COL_PRECONDITION(chunk > 0, 96, "COLsource");
  set_finished(false);
  if (!next()->write_source(this)) {
    while (!is_finished()) send_chunk(chunk);
    next()->flush();
  }
  next()->end_of_data();
  rewind();
}
