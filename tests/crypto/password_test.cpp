// Password decoding and encoding.
#include "lumenrt/crypto/password.h"

#include <string>

#include <gtest/gtest.h>

namespace {

TEST(Password, EncodeDecodeRoundTripsEveryModifier) {
  const std::string texts[] = {
      "", "a", "secret", std::string(30, 'x'), std::string(31, 'y'), "\x7F\x80\xFF!"};
  for (const auto& text : texts) {
    for (int m = 0; m <= 255; ++m) {
      std::string hex = EncodePassword(text, m);
      ASSERT_EQ(hex.size(), 64u);
      auto back = lumenrt::DecodeStoredPassword(hex);
      ASSERT_TRUE(back);
      EXPECT_EQ(*back, text) << "modifier " << m;
    }
    for (int i = 0; i < 20; ++i) EXPECT_EQ(*lumenrt::DecodeStoredPassword(EncodePassword(text)), text);
  }
}

}  // namespace
