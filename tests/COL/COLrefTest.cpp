// COLref: one reference per holder, safe self-assignment, deletion by the last holder.
#include "COL/COLref.h"

#include "COL/COLrefCounted.h"
#include "tests/support/TESTsupport.h"

namespace {

class Shared : public COLrefCounted {
public:
  explicit Shared(int* destroyed) : m_Destroyed(destroyed) {}
  ~Shared() override { ++*m_Destroyed; }

private:
  int* m_Destroyed;
};

TEST(COLref, EachHolderOwnsOneReferenceAndTheLastOneDeletes) {
  int destroyed = 0;
  Shared* object = new Shared(&destroyed);
  {
    COLref<Shared> first(object);
    EXPECT_EQ(object->ref_count(), 1);
    {
      COLref<Shared> second(first);
      COLref<Shared> third;
      third = second;
      EXPECT_EQ(object->ref_count(), 3);
      EXPECT_EQ(third.get(), object);
      EXPECT_EQ(third.operator->(), object);
    }
    EXPECT_EQ(object->ref_count(), 1);
    EXPECT_EQ(destroyed, 0);
  }
  EXPECT_EQ(destroyed, 1);
}

TEST(COLref, AssigningTheHeldObjectKeepsItAlive) {
  int destroyed = 0;
  COLref<Shared> only(new Shared(&destroyed));
  COLref<Shared>& alias = only;
  only = alias;
  EXPECT_EQ(destroyed, 0);
  EXPECT_EQ(only->ref_count(), 1);
  only = only.get();
  EXPECT_EQ(destroyed, 0);
  EXPECT_EQ(only->ref_count(), 1);
}

TEST(COLref, ReassignmentReleasesTheOldObject) {
  int destroyedA = 0;
  int destroyedB = 0;
  COLref<Shared> ref(new Shared(&destroyedA));
  Shared* b = new Shared(&destroyedB);
  EXPECT_EQ(ref = b, b);
  EXPECT_EQ(destroyedA, 1);
  EXPECT_EQ(b->ref_count(), 1);

  COLref<Shared> empty;
  ref = empty;
  EXPECT_EQ(destroyedB, 1);
  EXPECT_EQ(ref.get(), nullptr);
  ref = static_cast<Shared*>(nullptr);
  EXPECT_EQ(ref.get(), nullptr);
}

}  // namespace
