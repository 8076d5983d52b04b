// Qwik and ZCrypt1: key bytes, generator, MirrorSwap, chunking.
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "lumenrt/crypto/qwik_cipher.h"
#include "lumenrt/crypto/zcrypt1_cipher.h"

namespace {

using Bytes = std::vector<unsigned char>;

Bytes Apply(ZCipher& c, Bytes data, bool encrypt) {
  if (encrypt)
    c.Encrypt(data.data(), static_cast<uint32_t>(data.size()));
  else
    c.Decrypt(data.data(), static_cast<uint32_t>(data.size()));
  return data;
}

TEST(QwikKeyBytes, PositionsFollowTheKeyLength) {
  // Position table for keys of 1 to 11 characters: each key is made of distinct characters, so the
  // rotated-back key byte names the position it came from.
  const int expected[11][4] = {{0, 0, 0, 0}, {1, 1, 0, 0}, {1, 2, 0, 1}, {1, 0, 0, 0},
                               {1, 4, 3, 1}, {1, 4, 2, 5}, {1, 4, 0, 4}, {1, 4, 7, 3},
                               {1, 4, 7, 2}, {1, 4, 7, 0}, {1, 4, 7, 10}};
  const std::string alphabet = "ABCDEFGHIJKLMNOP";
  for (size_t n = 1; n <= 11; ++n) {
    auto k = QwikKeyBytes(alphabet.c_str(), n);
    for (int i = 0; i < 4; ++i) {
      const int left = (i + 4) % 8;
      const uint8_t back = static_cast<uint8_t>(k[i] << left | k[i] >> ((8 - left) % 8));
      EXPECT_EQ(back, static_cast<uint8_t>('A' + expected[n - 1][i])) << "n=" << n << " i=" << i;
    }
  }
  // One character: rotations right by 4, 5, 6, 7.
  auto one = QwikKeyBytes("\x81", 1);
  EXPECT_EQ(one[0], 0x18);
  EXPECT_EQ(one[1], 0x0C);
  EXPECT_EQ(one[2], 0x06);
  EXPECT_EQ(one[3], 0x03);
}

TEST(ZCrypt1, UnkeyedKnownAnswers) {
  struct Case {
    size_t n;
    Bytes out;
  } const cases[] = {{1, {0x00}},
                     {4, {0x00, 0x01, 0x06, 0x9C}},
                     {5, {0x00, 0x01, 0x48, 0x43, 0x54}},
                     {8, {0x00, 0x02, 0x0D, 0x38, 0x06, 0xAF, 0xEF, 0x80}}};
  for (const auto& c : cases) {
    ZCrypt1Cipher z;
    EXPECT_EQ(Apply(z, Bytes(c.n, 0), true), c.out) << c.n;
  }
}

TEST(ZCrypt1, MirrorSwapExchangesEveryOtherPair) {
  const std::pair<std::string, std::string> cases[] = {
      {"ABCDEF", "FBDCEA"}, {"ABCDEFG", "GBEDCFA"}, {"ABCD", "DBCA"}};
  for (const auto& [in, out] : cases) {
    std::string s = in;
    MirrorSwap(reinterpret_cast<unsigned char*>(s.data()), static_cast<uint32_t>(s.size()));
    EXPECT_EQ(s, out);
  }
}

}  // namespace
