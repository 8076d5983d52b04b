#include "lumenrt/core/zerror.h"

#include <gtest/gtest.h>

namespace {

TEST(ZError, ConstructorsSetFields) {
  ZError d;
  EXPECT_EQ(d.facility, 0);
  EXPECT_EQ(d.code, 0);
  EXPECT_EQ(d.hasText, 0);
  EXPECT_EQ(d.cause, nullptr);

  ZError t(45, 4456, "bad value", "W");
  EXPECT_EQ(t.hasText, 1);
  EXPECT_EQ(t.value, 0);
  EXPECT_EQ(t.text, "bad value");
  EXPECT_EQ(t.severity, "W");

  int dummy = 0;
  ZError n(43, 4101, 2, "E", &dummy);
  EXPECT_EQ(n.hasText, 0);
  EXPECT_EQ(n.value, 2);
  EXPECT_TRUE(n.text.IsEmpty());
  EXPECT_EQ(n.module, &dummy);
}

TEST(ZError, CopyDeepCopiesTheCauseChain) {
  auto* outer = new ZError(1, 100, "outer");
  outer->cause = new ZError(2, 200, "middle");
  outer->cause->cause = new ZError(3, 300, 7);

  ZError copy(*outer);
  EXPECT_NE(copy.cause, outer->cause);
  EXPECT_NE(copy.cause->cause, outer->cause->cause);
  delete outer;
  ASSERT_NE(copy.cause, nullptr);
  EXPECT_EQ(copy.cause->text, "middle");
  ASSERT_NE(copy.cause->cause, nullptr);
  EXPECT_EQ(copy.cause->cause->value, 7);

  ZError assigned;
  assigned = copy;
  assigned = assigned;
  EXPECT_EQ(assigned.cause->cause->code, 300);
}

TEST(ZError, LongCauseChainIsCopiedAndDestroyedWithoutRecursion) {
  auto* head = new ZError(1, 1, 1);
  ZError* tail = head;
  for (int i = 0; i < 200000; ++i) {
    tail->cause = new ZError(1, 1, i);
    tail = tail->cause;
  }
  ZError copy(*head);
  delete head;
  int length = 0;
  for (const ZError* e = &copy; e != nullptr; e = e->cause) ++length;
  EXPECT_EQ(length, 200001);
}

}  // namespace
