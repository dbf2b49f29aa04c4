// Reference counting of shared objects.
#include "COL/COLrefCounted.h"

#include "COL/COLerror.h"

COLrefCounted::~COLrefCounted() { COL_ASSERT(0 == m_CountOfRef, "COLrefCounted", 27); }

void COLrefCounted::release() {
  COL_PRECONDITION(m_CountOfRef > 0, "COLrefCounted", 39);
  if (--m_CountOfRef == 0) delete this;
}
