// COLvector<T>: the growable array of the library. It owns its elements (not what they
// point to), checks every index, and grows by the rule of COLgrowth.h (doubling with a
// floor of 8 slots), copying the elements into the new slots from the last to the first
// and only then destroying the old ones. Sizes and indexes are int; growth past what an
// int counts, or past a block size_t can measure, is refused before anything changes.
#pragma once

#include "COL/COLerror.h"
#include "COL/COLgrowth.h"

#include <cstddef>
#include <cstdint>
#include <new>

template <class T>
class COLvector {
public:
  COLvector() : size_(0), capacity_(0), data_(nullptr) {}
  // A copy holds copies of the elements, so that no two vectors share a slot array.
  COLvector(const COLvector& other) : size_(0), capacity_(0), data_(nullptr) {
    try {
      append_all(other);
    } catch (...) {
      clear();
      throw;
    }
  }
  COLvector& operator=(const COLvector& other) {
    if (this != &other) {
      clear();
      append_all(other);
    }
    return *this;
  }
  ~COLvector() { clear(); }

  int size() const { return size_; }
  int capacity() const { return capacity_; }
  T* data() { return data_; }
  const T* data() const { return data_; }
  T* end() { return data_ + size_; }
  const T* end() const { return data_ + size_; }

  T& operator[](int n) {
    COL_PRECONDITION(n >= 0 && n < size_, 169, "COLvector");
    return data_[n];
  }
  const T& operator[](int n) const {
    COL_PRECONDITION(n >= 0 && n < size_, 169, "COLvector");
    return data_[n];
  }

  T& back() {
    COL_PRECONDITION(size_ > 0, 313, "COLvector");
    return data_[size_ - 1];
  }

  void reserve(int n) {
    if (n > 0 && n > capacity_) grow(n, 59);
  }

  T& push_back(const T& value) {
    if (size_ < capacity_) return *new (data_ + size_++) T(value);
    // The value may be an element of this vector, which growing destroys: copy it first.
    T copy(value);
    grow(size_ + 1LL, 66);
    return *new (data_ + size_++) T(copy);
  }

  T& push_back() {
    if (size_ == capacity_) grow(size_ + 1LL, 66);
    return *new (data_ + size_++) T();
  }

  void remove(int ItemIndex) {
    COL_PRECONDITION(ItemIndex >= 0 && ItemIndex < size_, 248, "COLvector");
    remove(data_ + ItemIndex);
  }

  // Shifts the later elements down by one; a place outside the live elements is ignored.
  // The vacated last slot is destroyed, since slots past size() hold no live element.
  T* remove(T* place) {
    // Compared as addresses: a place may point into another array, where < means nothing.
    uintptr_t at = reinterpret_cast<uintptr_t>(place);
    uintptr_t first = reinterpret_cast<uintptr_t>(data_);
    if (at < first || at - first >= sizeof(T) * static_cast<size_t>(size_)) return place;
    for (int i = static_cast<int>((at - first) / sizeof(T)); i + 1 < size_; ++i) data_[i] = data_[i + 1];
    --size_;
    data_[size_].~T();
    return place;
  }

  void pop_back() {
    if (size_ > 0) remove(data_ + size_ - 1);
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

  void append_all(const COLvector& other) {
    reserve(other.size_);
    for (int i = 0; i < other.size_; ++i) push_back(other.data_[i]);
  }

  int size_;
  int capacity_;
  T* data_;
};

template <class T>
void COLvector<T>::grow(long long Wanted, int Line) {
  const int capacity = COLgrownCapacity(sizeof(T), capacity_, Wanted, Line, "COLvector");
  T* slots = static_cast<T*>(::operator new(sizeof(T) * static_cast<size_t>(capacity)));
  // Every element is copied before any original is destroyed, so that a copy that throws
  // leaves the vector as it was: the copies made so far go, the originals stay.
  int i = size_ - 1;
  try {
    for (; i >= 0; --i) new (slots + i) T(data_[i]);
  } catch (...) {
    for (int j = i + 1; j < size_; ++j) slots[j].~T();
    ::operator delete(slots);
    throw;
  }
  for (int j = size_ - 1; j >= 0; --j) data_[j].~T();
  ::operator delete(data_);
  data_ = slots;
  capacity_ = capacity;
}
