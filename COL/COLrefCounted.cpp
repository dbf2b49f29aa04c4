// Reference counting of shared objects.
#include "COL/COLrefCounted.h"

#include "COL/COLerror.h"

COLrefCounted::~COLrefCounted() { COL_ASSERT(0 == m_CountOfRef, 27, "COLrefCounted"); }

void COLrefCounted::release() {
  COL_PRECONDITION(m_CountOfRef > 0, 39, "COLrefCounted");
  if (--m_CountOfRef == 0) delete this;
}
