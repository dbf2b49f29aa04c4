// LEGvector<T>: the growable array of the older interfaces, polymorphic through a virtual
// destructor. It grows as COLvector does, but moves its elements to the new slots with
// one byte copy, running no copy constructor or destructor: keep in it only types that
// survive being moved byte for byte (COLstring does).
#pragma once

#include "COL/COLerror.h"
#include "COL/COLvector.h"

#include <cstddef>
#include <cstring>
#include <new>

template <class T>
class LEGvector {
public:
  LEGvector() : size_(0), capacity_(0), data_(nullptr) {}
  // A copy holds copies of the elements, so that no two vectors share a slot array.
  LEGvector(const LEGvector& other) : size_(0), capacity_(0), data_(nullptr) {
    try {
      append_all(other);
    } catch (...) {
      clear();
      throw;
    }
  }
  LEGvector& operator=(const LEGvector& other) {
    if (this != &other) {
      clear();
      append_all(other);
    }
    return *this;
  }
  virtual ~LEGvector() { clear(); }

  int size() const { return size_; }
  int capacity() const { return capacity_; }

  T& operator[](int n) {
    COL_PRECONDITION(n >= 0 && n < size_, 171, "LEGvector");
    return data_[n];
  }
  const T& operator[](int n) const {
    COL_PRECONDITION(n >= 0 && n < size_, 171, "LEGvector");
    return data_[n];
  }

  void reserve(int n);

  T& push_back(const T& value) {
    if (size_ < capacity_) return *new (data_ + size_++) T(value);
    // The value may be an element of this vector, which growing moves: copy it first.
    T copy(value);
    reserve(size_ + 1);
    return *new (data_ + size_++) T(copy);
  }

  T& push_back() {
    reserve(size_ + 1);
    return *new (data_ + size_++) T();
  }

  void clear() {
    while (size_ > 0) data_[--size_].~T();
    ::operator delete(data_);
    data_ = nullptr;
    capacity_ = 0;
  }

private:
  void append_all(const LEGvector& other) {
    reserve(other.size_);
    for (int i = 0; i < other.size_; ++i) push_back(other.data_[i]);
  }

  int size_;
  int capacity_;
  T* data_;
};

template <class T>
void LEGvector<T>::reserve(int n) {
  if (n <= 0 || n <= capacity_) return;
  const int capacity = COLvectorGrownCapacity(capacity_, n);
  T* slots = static_cast<T*>(::operator new(sizeof(T) * static_cast<size_t>(capacity)));
  if (size_ > 0) memcpy(static_cast<void*>(slots), static_cast<const void*>(data_), sizeof(T) * static_cast<size_t>(size_));
  ::operator delete(data_);
  data_ = slots;
  capacity_ = capacity;
}
