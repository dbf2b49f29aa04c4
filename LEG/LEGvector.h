// LEGvector<T>: the growable array of the older interfaces, polymorphic through a virtual
// destructor. It grows as COLvector does (the rule of COLgrowth.h, with the same limits),
// but moves its elements to the new slots with one byte copy, running no copy constructor
// or destructor: keep in it only types that survive being moved byte for byte (COLstring
// does).
#pragma once

#include "COL/COLerror.h"
#include "COL/COLgrowth.h"

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

  void reserve(int n) {
    if (n > 0 && n > capacity_) grow(n, 50);
  }

  T& push_back(const T& value) {
    if (size_ < capacity_) return *new (data_ + size_++) T(value);
    // The value may be an element of this vector, which growing moves: copy it first.
    T copy(value);
    grow(size_ + 1LL, 57);
    return *new (data_ + size_++) T(copy);
  }

  T& push_back() {
    if (size_ == capacity_) grow(size_ + 1LL, 57);
    return *new (data_ + size_++) T();
  }

  void clear() {
    while (size_ > 0) data_[--size_].~T();
    ::operator delete(data_);
    data_ = nullptr;
    capacity_ = 0;
  }

private:
  // The tests' own class (tests/support/TESTgrowth.h), which gives a vector the fields of
  // one at the limits of its count: no test could fill it with elements.
  template <class>
  friend struct TESTvectorFields;

  // Moves the elements into a block of the grown capacity for Wanted elements; a need
  // past the most a block holds fails the precondition at Line.
  void grow(long long Wanted, int Line);

  void append_all(const LEGvector& other) {
    reserve(other.size_);
    for (int i = 0; i < other.size_; ++i) push_back(other.data_[i]);
  }

  int size_;
  int capacity_;
  T* data_;
};

template <class T>
void LEGvector<T>::grow(long long Wanted, int Line) {
  const int capacity = COLgrownCapacity(sizeof(T), capacity_, Wanted, Line, "LEGvector");
  T* slots = static_cast<T*>(::operator new(sizeof(T) * static_cast<size_t>(capacity)));
  if (size_ > 0) memcpy(static_cast<void*>(slots), static_cast<const void*>(data_), sizeof(T) * static_cast<size_t>(size_));
  ::operator delete(data_);
  data_ = slots;
  capacity_ = capacity;
}
