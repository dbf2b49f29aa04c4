// COLrefCounted: the base of every shared object. A new object has no holders; add_ref
// and release count them, and the release that brings the count to 0 deletes the object.
// Copies start unshared. Counting is not synchronised: share across threads under a lock.
#pragma once

#include <cstdint>

class COLrefCounted {
public:
  COLrefCounted() : m_CountOfRef(0) {}
  COLrefCounted(const COLrefCounted&) : m_CountOfRef(0) {}
  COLrefCounted& operator=(const COLrefCounted&) { return *this; }
  virtual ~COLrefCounted();

  void add_ref() { ++m_CountOfRef; }
  void release();
  int64_t ref_count() const { return m_CountOfRef; }

private:
  int64_t m_CountOfRef;
};
