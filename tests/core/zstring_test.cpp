#include "lumenrt/core/zstring.h"

#include <cstring>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "lumenrt/core/zerror.h"

namespace {

struct RawHeader {
  std::int32_t refs, length, capacity;
};
const RawHeader* HeaderOf(const ZString& s) { return reinterpret_cast<const RawHeader*>(s.c_str()) - 1; }

TEST(ZString, BufferLayoutAndSharedEmpty) {
  ZString a, b("");
  EXPECT_EQ(a.c_str(), b.c_str()) << "every empty string points at the one shared buffer";
  EXPECT_EQ(HeaderOf(a)->refs, -1);
  EXPECT_EQ(HeaderOf(a)->length, 0);
  EXPECT_EQ(HeaderOf(a)->capacity, 0);

  ZString s("hello");
  EXPECT_EQ(HeaderOf(s)->refs, 1);
  EXPECT_EQ(HeaderOf(s)->length, 5);
  EXPECT_EQ(HeaderOf(s)->capacity, 5);
  EXPECT_EQ(s.c_str()[5], '\0');
}

TEST(ZString, CopiesShareUntilChanged) {
  ZString a("abc");
  ZString b = a;
  EXPECT_EQ(a.c_str(), b.c_str());
  EXPECT_EQ(a.RefCount(), 2);
  b.Append("d");
  EXPECT_EQ(a, "abc");
  EXPECT_EQ(b, "abcd");
  EXPECT_EQ(a.RefCount(), 1);

  ZString c = a;
  c.PutChar(0, 'X');
  EXPECT_EQ(a, "abc");
  EXPECT_EQ(c, "Xbc");
  ZString d = a;
  d.ToUpper();
  EXPECT_EQ(a, "abc");
  ZString e = a;
  e.Erase(0, 1);
  EXPECT_EQ(a, "abc");
  ZString f = a;
  f.CloseBuffer(1);
  EXPECT_EQ(a, "abc");
  EXPECT_EQ(f, "a");

  ZString slack("abcdef");
  slack.Erase(3, 3);  // length 3, capacity 6
  ZString g = slack;
  g.Compact();
  EXPECT_EQ(g.Capacity(), 3) << "compacting a shared buffer gives the string an exact one of its own";
  EXPECT_EQ(slack, "abc");

  // A copy taken between OpenBuffer and CloseBuffer keeps the text it was given.
  ZString opened;
  std::memcpy(opened.OpenBuffer(8), "xyz", 4);
  ZString early = opened;
  opened.CloseBuffer(-1);
  EXPECT_EQ(opened, "xyz");
  EXPECT_EQ(early, "");
  a = a;  // self-assignment does nothing
  EXPECT_EQ(a, "abc");
}

TEST(ZString, AppendAndConcatenation) {
  ZString s("ab");
  s.Append('c').Append(ZString("de")).Append("f");
  EXPECT_EQ(s, "abcdef");
  EXPECT_EQ(s.Capacity(), 6) << "a new buffer is exactly the new length";
  s.Append(s);
  EXPECT_EQ(s, "abcdefabcdef");
  EXPECT_EQ(ZString("x") + ZString("y"), "xy");
  EXPECT_EQ(ZString("x") + "y", "xy");
  EXPECT_EQ("x" + ZString("y"), "xy");
  EXPECT_EQ('x' + ZString("y"), "xy");

  ZString in_place;
  in_place.OpenBuffer(16);
  in_place.Append("12345");
  const char* before = in_place.c_str();
  in_place.Append("678");
  EXPECT_EQ(in_place.c_str(), before) << "an unshared buffer with room is appended in place";
  EXPECT_EQ(in_place, "12345678");
}

TEST(ZString, HeadTailSlice) {
  struct Case {
    const char* what;
    ZString got;
    const char* want;
  };
  ZString s("hello");
  const Case cases[] = {
      {"head 2", s.Head(2), "he"},         {"head -1", s.Head(-1), ""},
      {"head 20", s.Head(20), "hello"},    {"tail 2", s.Tail(2), "lo"},
      {"tail 20", s.Tail(20), "hello"},    {"tail -3", s.Tail(-3), ""},
      {"slice 1,3", s.Slice(1, 3), "ell"}, {"slice -2,2", s.Slice(-2, 2), "he"},
      {"slice 3", s.Slice(3), "lo"},       {"slice 3,99", s.Slice(3, 99), "lo"},
      {"slice 1,-1", s.Slice(1, -1), ""},  {"slice 9", s.Slice(9), ""},
  };
  for (const auto& c : cases) EXPECT_EQ(c.got, c.want) << c.what;
}

TEST(ZString, FindEraseTrim) {
  ZString s("abcabc");
  EXPECT_EQ(s.FindChar('c'), 2);
  EXPECT_EQ(s.FindChar('z'), -1);
  EXPECT_EQ(s.FindText("ca"), 2);
  EXPECT_EQ(s.FindText("zz"), -1);

  ZString ten("0123456789");
  EXPECT_EQ(ten.Erase(2, 3), 10);
  EXPECT_EQ(ten, "0156789");
  EXPECT_EQ(ten.Erase(-5, 2), 7);
  EXPECT_EQ(ten, "56789");
  EXPECT_EQ(ten.Erase(3, 0), 5);
  EXPECT_EQ(ten.Erase(9, 1), 5);
  EXPECT_EQ(ten.Erase(3, 100), 5) << "a count past the end stops at the end";
  EXPECT_EQ(ten, "567");

  ZString t("  \t text \n ");
  t.TrimEnd();
  EXPECT_EQ(t, "  \t text");
  t.TrimStart();
  EXPECT_EQ(t, "text");
  ZString blank("   ");
  blank.TrimEnd();
  EXPECT_TRUE(blank.IsEmpty());
}

TEST(ZString, OpenAndCloseBuffer) {
  ZString s;
  char* p = s.OpenBuffer(4096);
  EXPECT_GE(s.Capacity(), 4096);
  std::memcpy(p, "abc", 4);
  s.CloseBuffer(-1);
  EXPECT_EQ(s.Length(), 3);
  EXPECT_EQ(s.Capacity(), 3);
  EXPECT_EQ(s, "abc");

  ZString shared = s;
  char* q = s.OpenBuffer(10);
  EXPECT_NE(q, shared.c_str()) << "opening a shared buffer gives the string its own";
  q[3] = 'd';
  s.CloseBuffer(4);
  EXPECT_EQ(s, "abcd");
  EXPECT_EQ(shared, "abc");

  ZString c("xyz");
  c.OpenBuffer(100);
  c.Compact();
  EXPECT_EQ(c.Capacity(), 3);
  EXPECT_EQ(c, "xyz");
}

TEST(ZString, HugeOrNegativeBufferRaises4109) {
  for (int size : {-1, 0x7fffffff}) {
    ZString s("kept");
    try {
      s.OpenBuffer(size);
      FAIL() << "OpenBuffer(" << size << ") should raise";
    } catch (ZError* e) {
      EXPECT_EQ(e->facility, 75);
      EXPECT_EQ(e->code, 4109);
      EXPECT_EQ(e->hasText, 0);
      delete e;
    }
    EXPECT_EQ(s, "kept") << "the string is left as it was";
  }
}

TEST(ZString, ClearAndEmptyResults) {
  ZString s("abc");
  ZString t = s;
  s.Clear();
  EXPECT_TRUE(s.IsEmpty());
  EXPECT_EQ(s.RefCount(), -1);
  EXPECT_EQ(t, "abc");
}

TEST(ZString, CopiesReleasedOnManyThreads) {
  ZString original(std::string(1000, 'x'));
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&original] {
      for (int i = 0; i < 20000; ++i) {
        ZString copy = original;
        ZString again(copy);
      }
    });
  for (auto& th : threads) th.join();
  EXPECT_EQ(original.RefCount(), 1);
}

TEST(TextFunctions, CompareNoCaseSameTextCopyText) {
  EXPECT_EQ(CompareNoCase("ABC", "abd", 2), 0);
  EXPECT_EQ(CompareNoCase("ABC", "abd", 3), -1);
  EXPECT_EQ(CompareNoCase("b", "A", 5), 1);
  EXPECT_EQ(CompareNoCase("ab", "AB", 10), 0) << "stops after the zero of a";
  EXPECT_TRUE(SameText("%s-", "%s-"));
  EXPECT_FALSE(SameText("%s-", "%s"));
  char buffer[8];
  EXPECT_EQ(CopyText(buffer, "abc"), 1);
  EXPECT_STREQ(buffer, "abc");
}

}  // namespace
