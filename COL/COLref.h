// COLref<T>: holds one reference of a COLrefCounted object (or nothing), taken when it
// starts holding the object and given back when it stops; the last one given back
// deletes the object. Counting is not synchronised, as COLrefCounted's is not.
#pragma once

#include "COL/COLerror.h"

template <class T>
class COLref {
public:
  COLref(T* p = nullptr) : m_Object(p) {
    if (m_Object != nullptr) m_Object->add_ref();
  }
  COLref(const COLref& other) : m_Object(other.m_Object) {
    if (m_Object != nullptr) m_Object->add_ref();
  }
  // A destructor must not throw, so a failed release is dropped here.
  ~COLref() {
    if (m_Object != nullptr) {
      try {
        m_Object->release();
      } catch (const COLerror&) {
      }
      m_Object = nullptr;
    }
  }

  COLref& operator=(const COLref& other) {
    hold(other.m_Object);
    return *this;
  }
  T* operator=(T* p) {
    hold(p);
    return p;
  }

  T* get() const { return m_Object; }
  T* operator->() const { return m_Object; }

private:
  // The new object gains its reference before the old one loses its own, so assigning
  // an object to the reference that already holds it never deletes it. The new pointer
  // is stored before the release, so that a failing release leaves no reference behind
  // and a release that ends in this reference being reached again sees it settled.
  void hold(T* p) {
    if (p != nullptr) p->add_ref();
    T* old = m_Object;
    m_Object = p;
    if (old != nullptr) old->release();
  }

  T* m_Object;
};
