// Doubly linked lists. COLvoidList links nodes that its typed lists build and knows
// nothing of their payload; COLlist<T> keeps a T in each node. A position in a list is a
// place, the node pointer (null meaning none): next(null) is the head, previous(null)
// the tail. Linking, unlinking and swapping change links only, in constant time.
#pragma once

#include "COL/COLerror.h"

#include <cstddef>

// The links that lead every node; a typed list's payload follows them.
struct COLlistNode {
  COLlistNode* pPrevious;
  COLlistNode* pNext;
};
typedef COLlistNode* COLlistPlace;

class COLvoidList {
public:
  COLvoidList() : Count(0), pHead(nullptr), pTail(nullptr) {}
  // Deletes no node: the typed list, which knows the payload, empties itself first.
  virtual ~COLvoidList();
  COLvoidList(const COLvoidList&) = delete;
  COLvoidList& operator=(const COLvoidList&) = delete;

  size_t size() const { return Count; }
  COLlistPlace first() const { return pHead; }
  COLlistPlace next(COLlistPlace Place) const { return Place == nullptr ? pHead : Place->pNext; }
  COLlistPlace previous(COLlistPlace Place) const { return Place == nullptr ? pTail : Place->pPrevious; }

  // Links a node that the caller built for this list; the list deletes it from then on.
  COLlistPlace append(COLlistPlace Item);
  // In front of Place; a null Place appends.
  COLlistPlace insert_before(COLlistPlace Item, COLlistPlace Place);
  void remove(COLlistPlace Place);
  void swap(COLlistPlace Place1, COLlistPlace Place2);
  void clear();

protected:
  virtual void delete_node(COLlistNode* node) = 0;

private:
  size_t Count;
  COLlistNode* pHead;
  COLlistNode* pTail;
};

template <class T>
class COLlist : public COLvoidList {
public:
  // A node of this list, for the callers of insert_before: build it with new.
  struct Node : COLlistNode {
    explicit Node(const T& value) : COLlistNode{nullptr, nullptr}, Value(value) {}
    T Value;
  };

  COLlist() {}
  // A copy holds copies of the values, in the same order.
  COLlist(const COLlist& other) : COLvoidList() {
    try {
      append_all(other);
    } catch (...) {
      clear();
      throw;
    }
  }
  COLlist& operator=(const COLlist& other) {
    if (this != &other) {
      clear();
      append_all(other);
    }
    return *this;
  }
  // A destructor must not throw, so an error while deleting a payload is dropped.
  ~COLlist() override {
    try {
      clear();
    } catch (const COLerror&) {
    }
  }

  using COLvoidList::append;
  COLlistPlace append(const T& value) { return COLvoidList::append(new Node(value)); }

  T& value(COLlistPlace Place) {
    COL_PRECONDITION(Place != NULL, 358, "COLlist");
    return static_cast<Node*>(Place)->Value;
  }
  const T& value(COLlistPlace Place) const {
    COL_PRECONDITION(Place != NULL, 358, "COLlist");
    return static_cast<const Node*>(Place)->Value;
  }

protected:
  void delete_node(COLlistNode* node) override {
    if (node != nullptr) delete static_cast<Node*>(node);
  }

private:
  void append_all(const COLlist& other) {
    for (COLlistPlace p = other.next(nullptr); p != nullptr; p = other.next(p)) append(other.value(p));
  }
};
