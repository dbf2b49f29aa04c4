// COLavlTreeBase: insertion and removal with their rebalancing, the searches and the walks.
// Insertion and removal recurse down one root-to-leaf path, so their depth is the tree's
// height (at most about 1.44 log2 of the count); every rotation works through the link
// that holds the subtree, so the root needs no special case.
#include "COL/COLavlTree.h"

#include "COL/COLerror.h"

namespace {

// The tree's checks report under the map's name, the name its users know it by.
const char* const Source = "COLmap";

// The rotations move links and parents only; the callers set the balances.
void rotateLeft(COLavlNode** Link) {
  COLavlNode* Node = *Link;
  COLavlNode* Right = Node->Right;
  Node->Right = Right->Left;
  if (Right->Left != nullptr) Right->Left->Parent = Node;
  Right->Left = Node;
  Right->Parent = Node->Parent;
  Node->Parent = Right;
  *Link = Right;
}

void rotateRight(COLavlNode** Link) {
  COLavlNode* Node = *Link;
  COLavlNode* Left = Node->Left;
  Node->Left = Left->Right;
  if (Left->Right != nullptr) Left->Right->Parent = Node;
  Left->Right = Node;
  Left->Parent = Node->Parent;
  Node->Parent = Left;
  *Link = Left;
}

// The node two levels down on the inner side becomes the subtree's root; the same
// balances follow after an insertion and after a removal.
void rotateLeftRight(COLavlNode** Link) {
  COLavlNode* Node = *Link;
  COLavlNode* Left = Node->Left;
  COLavlNode* Middle = Left->Right;
  rotateLeft(&Node->Left);
  rotateRight(Link);
  Node->Balance = Middle->Balance == -1 ? 1 : 0;
  Left->Balance = Middle->Balance == 1 ? -1 : 0;
  Middle->Balance = 0;
}

void rotateRightLeft(COLavlNode** Link) {
  COLavlNode* Node = *Link;
  COLavlNode* Right = Node->Right;
  COLavlNode* Middle = Right->Left;
  rotateRight(&Node->Right);
  rotateLeft(Link);
  Node->Balance = Middle->Balance == 1 ? -1 : 0;
  Right->Balance = Middle->Balance == -1 ? 1 : 0;
  Middle->Balance = 0;
}

}  // namespace

// What one removal looks for: a key, or the recorded path of a place. The path holds the
// place first and then its ancestors, the root left out; the descent takes it from the
// back. A path longer than the record keeps its lowest part, and the way down to it is
// found through the parent links.
struct COLavlTreeBase::RemovalContext {
  enum { MaximumPath = 32 };
  const void* key;
  COLavlNode* path[MaximumPath];
  int path_count;
  bool path_truncated;
  COLavlNode* target_node;
  COLavlNode* removed_node;
};

COLavlTreeBase::COLavlTreeBase() : m_Root(nullptr), m_Count(0) {}

COLavlTreeBase::~COLavlTreeBase() {}

// ---- insertion ----------------------------------------------------------------------------

COLavlNode* COLavlTreeBase::insert(const void* Key, COLavlNode* Node) {
  bool Grew = false;
  COLavlNode* Inserted = insertStep(&m_Root, nullptr, Key, Node, false, Grew);
  ++m_Count;
  return Inserted;
}

COLavlNode* COLavlTreeBase::insertUnique(const void* Key, COLavlNode* Node) {
  bool Grew = false;
  COLavlNode* Inserted = insertStep(&m_Root, nullptr, Key, Node, true, Grew);
  if (Inserted == nullptr) {
    deleteNode(Node);
    return nullptr;
  }
  ++m_Count;
  return Inserted;
}

COLavlNode* COLavlTreeBase::insertStep(COLavlNode** Link, COLavlNode* Parent, const void* Key,
                                       COLavlNode* Node, bool Unique, bool& Grew) {
  COLavlNode* Current = *Link;
  if (Current == nullptr) {
    Node->Parent = Parent;
    Node->Left = nullptr;
    Node->Right = nullptr;
    Node->Balance = 0;
    *Link = Node;
    Grew = true;
    return Node;
  }
  const int Order = compare(Key, Current);
  if (Order < 0) {
    COLavlNode* Inserted = insertStep(&Current->Left, Current, Key, Node, Unique, Grew);
    if (Grew) Grew = leftGrew(Link);
    return Inserted;
  }
  if (Order == 0 && Unique) {
    Grew = false;
    return nullptr;
  }
  // An equal key goes right, after the entries of that key already present.
  COLavlNode* Inserted = insertStep(&Current->Right, Current, Key, Node, Unique, Grew);
  if (Grew) Grew = rightGrew(Link);
  return Inserted;
}

// After one side of the subtree at Link grew by one level: true when the subtree as a
// whole is now one level higher.
bool COLavlTreeBase::leftGrew(COLavlNode** Link) {
  COLavlNode* Node = *Link;
  if (Node->Balance == 1) {
    Node->Balance = 0;
    return false;
  }
  if (Node->Balance == 0) {
    Node->Balance = -1;
    return true;
  }
  COLavlNode* Left = Node->Left;
  if (Left->Balance == -1) {
    rotateRight(Link);
    Node->Balance = 0;
    Left->Balance = 0;
  } else {
    rotateLeftRight(Link);
  }
  return false;
}

bool COLavlTreeBase::rightGrew(COLavlNode** Link) {
  COLavlNode* Node = *Link;
  if (Node->Balance == -1) {
    Node->Balance = 0;
    return false;
  }
  if (Node->Balance == 0) {
    Node->Balance = 1;
    return true;
  }
  COLavlNode* Right = Node->Right;
  if (Right->Balance == 1) {
    rotateLeft(Link);
    Node->Balance = 0;
    Right->Balance = 0;
  } else {
    rotateRightLeft(Link);
  }
  return false;
}

// ---- removal ------------------------------------------------------------------------------

bool COLavlTreeBase::remove(const void* Key) {
  RemovalContext Context;
  Context.key = Key;
  Context.path_count = 0;
  Context.path_truncated = false;
  Context.target_node = nullptr;
  Context.removed_node = nullptr;
  removeStep(&m_Root, Context);
  return finishRemoval(Context);
}

bool COLavlTreeBase::removePlace(COLavlNode* Place) {
  return removePlaceRecording(Place, RemovalContext::MaximumPath);
}

bool COLavlTreeBase::removePlaceRecording(COLavlNode* Place, int PathCapacity) {
  COL_PRECONDITION(Place != NULL, 352, Source);
  if (PathCapacity < 1 || PathCapacity > RemovalContext::MaximumPath) PathCapacity = RemovalContext::MaximumPath;
  RemovalContext Context;
  Context.key = nullptr;
  Context.path_count = 0;
  Context.path_truncated = false;
  Context.target_node = Place;
  Context.removed_node = nullptr;
  for (COLavlNode* Node = Place; Node->Parent != nullptr; Node = Node->Parent) {
    if (Context.path_count == PathCapacity) {
      Context.path_truncated = true;
      break;
    }
    Context.path[Context.path_count++] = Node;
  }
  removeStep(&m_Root, Context);
  return finishRemoval(Context);
}

bool COLavlTreeBase::finishRemoval(RemovalContext& Context) {
  if (Context.removed_node == nullptr) return false;
  deleteNode(Context.removed_node);
  --m_Count;
  return true;
}

// Descends towards the entry to remove and rebalances on the way back; true when the
// subtree at Link lost a level.
bool COLavlTreeBase::removeStep(COLavlNode** Link, RemovalContext& Context) {
  COLavlNode* CurrNode = *Link;
  if (CurrNode == nullptr) return false;
  int Direction;
  if (Context.target_node == nullptr) {
    Direction = compare(Context.key, CurrNode);
  } else if (Context.path_count == 0) {
    COL_POSTCONDITION(CurrNode == Context.target_node, 731, Source);
    Direction = 0;
  } else {
    COLavlNode* Child = Context.path[Context.path_count - 1];
    if (Context.path_truncated) {
      // Above the recorded part: the child on the way is the recorded top's ancestor
      // whose parent is the current node, if the current node is an ancestor at all.
      COLavlNode* Ancestor = Child;
      while (Ancestor != nullptr && Ancestor->Parent != CurrNode) Ancestor = Ancestor->Parent;
      if (Ancestor == nullptr) return false;
      if (Ancestor == Child) {
        Context.path_truncated = false;
        --Context.path_count;
      }
      Child = Ancestor;
    } else {
      --Context.path_count;
    }
    if (Child == CurrNode->Left) {
      Direction = -1;
    } else if (Child == CurrNode->Right) {
      Direction = 1;
    } else {
      return false;  // not a place of this tree
    }
  }
  if (Direction == 0) return unlinkNode(Link, Context);
  if (Direction < 0) return removeStep(&CurrNode->Left, Context) && leftShrank(Link);
  return removeStep(&CurrNode->Right, Context) && rightShrank(Link);
}

// Unlinks the node at Link from the tree, keeping it for deleteNode; the subtree always
// loses a level, unless the predecessor that takes the node's place left its own subtree
// as high as before.
bool COLavlTreeBase::unlinkNode(COLavlNode** Link, RemovalContext& Context) {
  COLavlNode* Node = *Link;
  Context.removed_node = Node;
  if (Node->Left != nullptr && Node->Right != nullptr) {
    // The in-order predecessor takes the node's position, links and balance.
    COLavlNode* Predecessor = nullptr;
    const bool LeftShrank = unlinkLast(&Node->Left, Predecessor);
    Predecessor->Left = Node->Left;
    Predecessor->Right = Node->Right;
    Predecessor->Balance = Node->Balance;
    Predecessor->Parent = Node->Parent;
    if (Predecessor->Left != nullptr) Predecessor->Left->Parent = Predecessor;
    Predecessor->Right->Parent = Predecessor;
    *Link = Predecessor;
    return LeftShrank && leftShrank(Link);
  }
  COLavlNode* Child = Node->Right == nullptr ? Node->Left : Node->Right;
  if (Child != nullptr) Child->Parent = Node->Parent;
  *Link = Child;
  return true;
}

// Unlinks the rightmost node of the subtree at Link (its left child taking its place) and
// hands it out; true when the subtree lost a level.
bool COLavlTreeBase::unlinkLast(COLavlNode** Link, COLavlNode*& Last) {
  COLavlNode* Node = *Link;
  if (Node->Right != nullptr) return unlinkLast(&Node->Right, Last) && rightShrank(Link);
  Last = Node;
  if (Node->Left != nullptr) Node->Left->Parent = Node->Parent;
  *Link = Node->Left;
  return true;
}

// After one side of the subtree at Link lost a level: true when the subtree as a whole
// is now one level lower.
bool COLavlTreeBase::leftShrank(COLavlNode** Link) {
  COLavlNode* Node = *Link;
  if (Node->Balance == -1) {
    Node->Balance = 0;
    return true;
  }
  if (Node->Balance == 0) {
    Node->Balance = 1;
    return false;
  }
  COLavlNode* Right = Node->Right;
  if (Right->Balance == 0) {
    rotateLeft(Link);
    Node->Balance = 1;
    Right->Balance = -1;
    return false;
  }
  if (Right->Balance == 1) {
    rotateLeft(Link);
    Node->Balance = 0;
    Right->Balance = 0;
    return true;
  }
  rotateRightLeft(Link);
  return true;
}

bool COLavlTreeBase::rightShrank(COLavlNode** Link) {
  COLavlNode* Node = *Link;
  if (Node->Balance == 1) {
    Node->Balance = 0;
    return true;
  }
  if (Node->Balance == 0) {
    Node->Balance = -1;
    return false;
  }
  COLavlNode* Left = Node->Left;
  if (Left->Balance == 0) {
    rotateRight(Link);
    Node->Balance = -1;
    Left->Balance = 1;
    return false;
  }
  if (Left->Balance == -1) {
    rotateRight(Link);
    Node->Balance = 0;
    Left->Balance = 0;
    return true;
  }
  rotateLeftRight(Link);
  return true;
}

void COLavlTreeBase::clear() {
  COLavlNode* Node = m_Root;
  m_Root = nullptr;
  m_Count = 0;
  while (Node != nullptr) {
    if (Node->Left != nullptr) {
      Node = Node->Left;
    } else if (Node->Right != nullptr) {
      Node = Node->Right;
    } else {
      COLavlNode* Parent = Node->Parent;
      if (Parent != nullptr) {
        if (Parent->Left == Node)
          Parent->Left = nullptr;
        else
          Parent->Right = nullptr;
      }
      deleteNode(Node);
      Node = Parent;
    }
  }
}

// ---- searches -----------------------------------------------------------------------------

COLavlNode* COLavlTreeBase::find(const void* Key) const {
  COLavlNode* Node = m_Root;
  while (Node != nullptr) {
    const int Order = compare(Key, Node);
    if (Order == 0) return Node;
    Node = Order < 0 ? Node->Left : Node->Right;
  }
  return nullptr;
}

COLavlNode* COLavlTreeBase::lastBefore(const void* Key) const {
  COLavlNode* Node = m_Root;
  while (Node != nullptr) {
    if (compare(Key, Node) > 0) {
      if (Node->Right == nullptr) return Node;
      Node = Node->Right;
    } else {
      if (Node->Left == nullptr) return previous(Node);
      Node = Node->Left;
    }
  }
  return nullptr;
}

COLavlNode* COLavlTreeBase::firstAfter(const void* Key) const {
  COLavlNode* Node = m_Root;
  while (Node != nullptr) {
    if (compare(Key, Node) < 0) {
      if (Node->Left == nullptr) return Node;
      Node = Node->Left;
    } else {
      if (Node->Right == nullptr) return next(Node);
      Node = Node->Right;
    }
  }
  return nullptr;
}

COLavlNode* COLavlTreeBase::findFirst(const void* Key) const {
  COLavlNode* Candidate = next(lastBefore(Key));
  if (Candidate != nullptr && compare(Key, Candidate) == 0) return Candidate;
  return nullptr;
}

COLavlNode* COLavlTreeBase::findAtOrAfter(const void* Key) const {
  COLavlNode* Node = m_Root;
  while (Node != nullptr) {
    const int Order = compare(Key, Node);
    if (Order == 0) return Node;
    if (Order < 0) {
      if (Node->Left == nullptr) return Node;
      Node = Node->Left;
    } else {
      if (Node->Right == nullptr) {
        COLavlNode* After = next(Node);
        return After != nullptr ? After : Node;
      }
      Node = Node->Right;
    }
  }
  return nullptr;
}

// ---- walks --------------------------------------------------------------------------------

COLavlNode* COLavlTreeBase::next(const COLavlNode* Place) const {
  if (Place == nullptr) return first();
  if (Place->Right != nullptr) return subtreeFirst(Place->Right);
  return nextAncestor(Place);
}

COLavlNode* COLavlTreeBase::previous(const COLavlNode* Place) const {
  if (Place == nullptr) return last();
  if (Place->Left != nullptr) return subtreeLast(Place->Left);
  return previousAncestor(Place);
}

COLavlNode* COLavlTreeBase::subtreeFirst(const COLavlNode* Node) {
  if (Node == nullptr) return nullptr;
  while (Node->Left != nullptr) Node = Node->Left;
  return const_cast<COLavlNode*>(Node);
}

COLavlNode* COLavlTreeBase::subtreeLast(const COLavlNode* Node) {
  if (Node == nullptr) return nullptr;
  while (Node->Right != nullptr) Node = Node->Right;
  return const_cast<COLavlNode*>(Node);
}

COLavlNode* COLavlTreeBase::previousAncestor(const COLavlNode* Node) {
  if (Node == nullptr) return nullptr;
  while (Node->Parent != nullptr && Node->Parent->Left == Node) Node = Node->Parent;
  return Node->Parent;
}

COLavlNode* COLavlTreeBase::nextAncestor(const COLavlNode* Node) {
  if (Node == nullptr) return nullptr;
  while (Node->Parent != nullptr && Node->Parent->Right == Node) Node = Node->Parent;
  return Node->Parent;
}
