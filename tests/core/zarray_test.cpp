#include "lumenrt/core/zarray.h"

#include <gtest/gtest.h>

namespace {

// Counts destructions so ownership mistakes show.
struct Tracked : ZObject {
  explicit Tracked(int v, int* deaths = nullptr) : value(v), deaths_(deaths) {}
  ~Tracked() override {
    if (deaths_) ++*deaths_;
  }
  int Compare(const ZObject& other) const override {
    return value - static_cast<const Tracked&>(other).value;
  }
  int value;
  int* deaths_;
};

TEST(ZArray, GrowthRule) {
  ZArray a(0, 5, 1);
  EXPECT_EQ(a.Capacity(), 0);
  EXPECT_EQ(a.InsertAt(new Tracked(1)), 1);
  EXPECT_EQ(a.Capacity(), 5);

  ZArray fixed(2, 0, 1);
  EXPECT_EQ(fixed.InsertAt(new Tracked(1)), 1);
  EXPECT_EQ(fixed.InsertAt(new Tracked(2)), 1);
  Tracked* third = new Tracked(3);
  EXPECT_EQ(fixed.InsertAt(third), 0);
  delete third;

  ZArray ten(10, 10, 1);
  for (int i = 0; i < 10; ++i) ten.InsertAt(new Tracked(i));
  EXPECT_EQ(ten.Capacity(), 10);
  ten.InsertAt(new Tracked(10));
  EXPECT_EQ(ten.Capacity(), 20);
  ten.RemoveAll(2);
  EXPECT_EQ(ten.Capacity(), 0);
  ten.InsertAt(new Tracked(0));
  EXPECT_EQ(ten.Capacity(), 10) << "after RemoveAll the next insertion allocates growBy slots";
}

TEST(ZArray, SetCapacityLimits) {
  ZArray a(4, 4, 1);
  for (int i = 0; i < 3; ++i) a.InsertAt(new Tracked(i));
  EXPECT_EQ(a.SetCapacity(2), 0);
  EXPECT_EQ(a.Capacity(), 4);
  EXPECT_EQ(a.SetCapacity(3), 1);
  EXPECT_EQ(a.Capacity(), 3);
  EXPECT_EQ(static_cast<Tracked*>(a.GetAt(2))->value, 2);
}

TEST(ZArray, RemovalModes) {
  int deaths = 0;
  Tracked on_stack(5, &deaths);
  {
    ZArray owning(4, 4, 1), borrowing(4, 4, 0);
    Tracked* kept = new Tracked(1, &deaths);
    owning.InsertAt(kept);
    EXPECT_EQ(owning.RemoveAt(0, 1), kept) << "mode 1 keeps the element whatever the array owns";
    EXPECT_EQ(deaths, 0);

    borrowing.InsertAt(kept);
    EXPECT_EQ(borrowing.RemoveAt(-1, 2), kept) << "mode 2 keeps it when the array does not own";
    EXPECT_EQ(deaths, 0);

    owning.InsertAt(kept);
    EXPECT_EQ(owning.RemoveAt(-1, 2), nullptr);
    EXPECT_EQ(deaths, 1);

    borrowing.InsertAt(new Tracked(2, &deaths));
    EXPECT_EQ(borrowing.RemoveAt(0, 0), nullptr) << "mode 0 deletes even when the array does not own";
    EXPECT_EQ(deaths, 2);

    owning.InsertAt(new Tracked(3, &deaths));
    Tracked* replacement = new Tracked(4, &deaths);
    EXPECT_EQ(owning.SetAt(replacement, 0, 2), 1);
    EXPECT_EQ(deaths, 3);
    EXPECT_EQ(owning.SetAt(replacement, 0, 0), 1) << "storing the same pointer again never frees it";
    EXPECT_EQ(deaths, 3);
    borrowing.InsertAt(&on_stack);
  }
  EXPECT_EQ(deaths, 4) << "the owning array deleted its element, the borrowing one did not";
}

TEST(ZArray, RemoveShiftsAndIndexOf) {
  ZArray a(4, 4, 0);
  Tracked x(1), y(2), z(3);
  a.InsertAt(&x);
  a.InsertAt(&y);
  a.InsertAt(&x);
  a.InsertAt(&z, 0);
  EXPECT_EQ(a.IndexOf(&x), 1) << "the first of two slots holding the same pointer";
  EXPECT_EQ(a.IndexOf(&z), 0);
  a.RemoveAt(1, 1);
  EXPECT_EQ(a.Count(), 3);
  EXPECT_EQ(a.GetAt(0), &z);
  EXPECT_EQ(a.GetAt(1), &y);
  EXPECT_EQ(a.GetAt(2), &x);
  EXPECT_EQ(a.GetAt(-1), nullptr);
  EXPECT_EQ(a.GetAt(3), nullptr);
  EXPECT_EQ(a.RemoveAt(7, 1), nullptr) << "an index outside the array is refused";
  EXPECT_EQ(a.SetAt(&x, 3, 1), 0);
  EXPECT_EQ(a.Count(), 3);
}

TEST(ZArray, SortUsesCompare) {
  ZArray a(2, 2, 1);
  for (int v : {5, 1, 4, 2, 3}) a.InsertAt(new Tracked(v));
  a.Sort();
  for (int i = 0; i < 5; ++i) EXPECT_EQ(static_cast<Tracked*>(a.GetAt(i))->value, i + 1);
  ZArray empty(0, 1, 1);
  empty.Sort();
}

}  // namespace
