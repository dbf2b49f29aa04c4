// The ordered containers' engine: COLavlTreeBase links, balances (AVL: the heights of a
// node's two subtrees differ by at most one), searches and walks nodes without knowing
// what they hold; COLavlTree<K, V> adds the key and value and the comparison. Equal keys
// may live side by side, a newer one after the older ones. A place is a node pointer and
// stays valid until its own entry goes: nodes are relinked, never moved.
#pragma once

#include <cstdint>

struct COLavlNode {
  COLavlNode* Parent;  // null at the root
  COLavlNode* Left;
  COLavlNode* Right;
  int32_t Balance;  // height of the right subtree minus that of the left: -1, 0 or +1
};

class COLavlTreeBase {
public:
  COLavlTreeBase();
  // Frees nothing: the typed tree clears itself before this runs.
  virtual ~COLavlTreeBase();
  COLavlTreeBase(const COLavlTreeBase&) = delete;
  COLavlTreeBase& operator=(const COLavlTreeBase&) = delete;

  uint64_t size() const { return m_Count; }
  const COLavlNode* root() const { return m_Root; }

  // Removes the entry at the place; false when the place is not found in this tree.
  bool removePlace(COLavlNode* Place);
  // Deletes every node, bottom-up and without recursion.
  void clear();

  COLavlNode* first() const { return subtreeFirst(m_Root); }
  COLavlNode* last() const { return subtreeLast(m_Root); }
  // In order; null gives the first (next) or the last (previous) entry.
  COLavlNode* next(const COLavlNode* Place) const;
  COLavlNode* previous(const COLavlNode* Place) const;

  static COLavlNode* subtreeFirst(const COLavlNode* Node);
  static COLavlNode* subtreeLast(const COLavlNode* Node);
  // The nearest ancestor whose right (previousAncestor) or left (nextAncestor) subtree
  // holds the node.
  static COLavlNode* previousAncestor(const COLavlNode* Node);
  static COLavlNode* nextAncestor(const COLavlNode* Node);

protected:
  // The key-taking half; the typed tree gives each a typed face. Key points at a key of
  // the type compare understands.
  COLavlNode* insert(const void* Key, COLavlNode* Node);
  // Refuses (deleting the node, answering null) when the key is present already.
  COLavlNode* insertUnique(const void* Key, COLavlNode* Node);
  bool remove(const void* Key);
  COLavlNode* find(const void* Key) const;
  COLavlNode* findFirst(const void* Key) const;
  COLavlNode* findAtOrAfter(const void* Key) const;
  COLavlNode* lastBefore(const void* Key) const;
  COLavlNode* firstAfter(const void* Key) const;

  // removePlace recording at most PathCapacity (1 to 32) nodes of the place's path, so
  // that the way past a full record can be exercised in small trees.
  bool removePlaceRecording(COLavlNode* Place, int PathCapacity);

  virtual void deleteNode(COLavlNode* Node) = 0;
  // Below, at or above zero as the key sorts before, equal to or after the node's key.
  virtual int compare(const void* Key, const COLavlNode* Node) const = 0;

private:
  struct RemovalContext;
  COLavlNode* insertStep(COLavlNode** Link, COLavlNode* Parent, const void* Key, COLavlNode* Node,
                         bool Unique, bool& Grew);
  bool removeStep(COLavlNode** Link, RemovalContext& Context);
  bool unlinkNode(COLavlNode** Link, RemovalContext& Context);
  static bool unlinkLast(COLavlNode** Link, COLavlNode*& Last);
  static bool leftGrew(COLavlNode** Link);
  static bool rightGrew(COLavlNode** Link);
  static bool leftShrank(COLavlNode** Link);
  static bool rightShrank(COLavlNode** Link);
  bool finishRemoval(RemovalContext& Context);

  COLavlNode* m_Root;
  uint64_t m_Count;
};

template <class K, class V>
class COLavlTree : public COLavlTreeBase {
public:
  struct Node : COLavlNode {
    K Key;
    V Value;
    Node(const K& key, const V& value) : COLavlNode{nullptr, nullptr, nullptr, 0}, Key(key), Value(value) {}
  };
  typedef int (*CompareFunction)(const K& Left, const K& Right);

  COLavlTree() : m_Compare(nullptr) {}
  ~COLavlTree() override {
    // A destructor must not throw; nothing that clear deletes is expected to.
    try {
      clear();
    } catch (...) {
    }
  }

  bool remove(const K& Key) { return COLavlTreeBase::remove(&Key); }
  COLavlNode* find(const K& Key) const { return COLavlTreeBase::find(&Key); }
  COLavlNode* findFirst(const K& Key) const { return COLavlTreeBase::findFirst(&Key); }
  COLavlNode* findAtOrAfter(const K& Key) const { return COLavlTreeBase::findAtOrAfter(&Key); }
  COLavlNode* lastBefore(const K& Key) const { return COLavlTreeBase::lastBefore(&Key); }
  COLavlNode* firstAfter(const K& Key) const { return COLavlTreeBase::firstAfter(&Key); }

protected:
  void deleteNode(COLavlNode* Place) override { delete static_cast<Node*>(Place); }
  int compare(const void* Key, const COLavlNode* Place) const override {
    return m_Compare(*static_cast<const K*>(Key), static_cast<const Node*>(Place)->Key);
  }

  CompareFunction m_Compare;
};
