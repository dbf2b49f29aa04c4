// COLmap<K, V, C>: the ordered map over COLavlTree, with the comparison C fixed. Equal
// keys may be inserted side by side (insertUnique refuses them); a place is a node pointer
// that stays valid until its entry is removed. COLmapCompare<COLstring> orders keys byte
// by byte as unsigned bytes, a proper prefix first, up to the first NUL.
#pragma once

#include "COL/COLavlTree.h"
#include "COL/COLerror.h"
#include "COL/COLstring.h"

template <class K>
struct COLmapCompare;

template <>
struct COLmapCompare<COLstring> {
  static int compare(const COLstring& Left, const COLstring& Right) {
    return COLstring::compare(Left.c_str(), Right.c_str());
  }
};

template <class K, class V, class C = COLmapCompare<K>>
class COLmap : public COLavlTree<K, V> {
  typedef typename COLavlTree<K, V>::Node Node;

public:
  COLmap() { this->m_Compare = &C::compare; }

  // Copies key and value into a new entry, after any entries of an equal key.
  COLavlNode* insert(const K& Key, const V& Value) {
    return COLavlTreeBase::insert(&Key, new Node(Key, Value));
  }
  // The same, unless the key is present: then nothing changes and the answer is null.
  COLavlNode* insertUnique(const K& Key, const V& Value) {
    return COLavlTreeBase::insertUnique(&Key, new Node(Key, Value));
  }

  const K& key(const COLavlNode* Place) const {
    COL_PRECONDITION(Place != NULL, 175, "COLmap");
    return static_cast<const Node*>(Place)->Key;
  }
  V& value(COLavlNode* Place) {
    COL_PRECONDITION(Place != NULL, 167, "COLmap");
    return static_cast<Node*>(Place)->Value;
  }
  const V& value(const COLavlNode* Place) const {
    COL_PRECONDITION(Place != NULL, 171, "COLmap");
    return static_cast<const Node*>(Place)->Value;
  }
};
