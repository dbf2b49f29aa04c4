// The untyped list engine: linking, unlinking and swapping nodes.
#include "COL/COLlist.h"

#include <utility>

COLvoidList::~COLvoidList() {}

COLlistPlace COLvoidList::append(COLlistPlace Item) {
  COL_PRECONDITION(Item != NULL, 199, "COLlist");
  Item->pPrevious = pTail;
  Item->pNext = nullptr;
  if (pTail != nullptr)
    pTail->pNext = Item;
  else
    pHead = Item;
  pTail = Item;
  ++Count;
  return Item;
}

COLlistPlace COLvoidList::insert_before(COLlistPlace Item, COLlistPlace Place) {
  COL_PRECONDITION(Item != NULL, 171, "COLlist");
  if (Place == nullptr) return append(Item);
  Item->pPrevious = Place->pPrevious;
  Item->pNext = Place;
  if (Place->pPrevious != nullptr)
    Place->pPrevious->pNext = Item;
  else
    pHead = Item;
  Place->pPrevious = Item;
  ++Count;
  return Item;
}

void COLvoidList::remove(COLlistPlace Place) {
  COL_PRECONDITION(Place != NULL, 44, "COLlist");
  if (Place->pPrevious != nullptr)
    Place->pPrevious->pNext = Place->pNext;
  else
    pHead = Place->pNext;
  if (Place->pNext != nullptr)
    Place->pNext->pPrevious = Place->pPrevious;
  else
    pTail = Place->pPrevious;
  --Count;
  delete_node(Place);
}

namespace {
// After two nodes exchanged their links: a link that now leads to the node itself came
// from its neighbour, the other node; any other neighbour is made to lead back to it.
void relink(COLlistNode* node, COLlistNode* other) {
  if (node->pPrevious == node)
    node->pPrevious = other;
  else if (node->pPrevious != nullptr)
    node->pPrevious->pNext = node;
  if (node->pNext == node)
    node->pNext = other;
  else if (node->pNext != nullptr)
    node->pNext->pPrevious = node;
}
}  // namespace

void COLvoidList::swap(COLlistPlace Place1, COLlistPlace Place2) {
  COL_PRECONDITION(Place1 != NULL && Place2 != NULL, 75, "COLlist");
  if (Place1 == Place2) return;
  std::swap(Place1->pPrevious, Place2->pPrevious);
  std::swap(Place1->pNext, Place2->pNext);
  relink(Place1, Place2);
  relink(Place2, Place1);
  if (pHead == Place1)
    pHead = Place2;
  else if (pHead == Place2)
    pHead = Place1;
  if (pTail == Place1)
    pTail = Place2;
  else if (pTail == Place2)
    pTail = Place1;
}

void COLvoidList::clear() {
  // Each node leaves the list before it is deleted, so a deletion that throws leaves a
  // list that holds exactly the nodes not yet deleted.
  while (pHead != nullptr) {
    COLlistNode* node = pHead;
    pHead = node->pNext;
    if (pHead != nullptr)
      pHead->pPrevious = nullptr;
    else
      pTail = nullptr;
    --Count;
    delete_node(node);
  }
  Count = 0;
}
