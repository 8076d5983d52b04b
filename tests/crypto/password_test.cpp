// Password decoding and encoding, and the stored form's hexadecimal helpers.
#include "lumenrt/crypto/password.h"

#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "lumenrt/crypto/internal/password_bytes.h"

#include "crypto/test_util.h"

namespace {

using namespace lumenrt::test;
using lumenrt::kDefaultPasswordKey;

// ZCrypt1 deciphering of `data` under `key` (nullptr: unkeyed).
Bytes ZCrypt1Decrypt(const char* key, Bytes data) {
  auto c = Make(3, key, 0);
  return Processed(*c, data);
}

std::string Text(const Bytes& b) { return std::string(reinterpret_cast<const char*>(b.data())); }

TEST(Password, KeyModifier) {
  ASSERT_EQ(std::strlen(kDefaultPasswordKey), 32u);
  const Bytes source_body = Pattern(31, 8);
  auto decode = [&](unsigned char modifier) {
    Bytes src = source_body;
    src.push_back(modifier);
    Bytes dst(32, 0xEE);
    DecodePassword(src.data(), nullptr, -1, 32, dst.data());
    EXPECT_EQ(dst[31], 0);
    return Text(dst);
  };
  auto direct = [&](const char* key) {
    Bytes d = ZCrypt1Decrypt(key, source_body);
    d.push_back(0);
    return Text(d);
  };
  // Modifier 0 leaves the default key as it is.
  EXPECT_EQ(decode(0), direct(kDefaultPasswordKey));
  // A modifier equal to the k-th key character cuts the key to its first k - 1 characters.
  for (size_t k : {2u, 5u, 12u, 32u}) {
    const unsigned char m = static_cast<unsigned char>(kDefaultPasswordKey[k - 1]);
    std::string work(kDefaultPasswordKey, k - 1);
    for (char& ch : work) ch = static_cast<char>(ch ^ m);
    EXPECT_EQ(decode(m), direct(work.c_str())) << k;
  }
  // Equal to the first character: the key comes out empty and ZCrypt1 stays unkeyed.
  EXPECT_EQ(decode(static_cast<unsigned char>(kDefaultPasswordKey[0])), direct(nullptr));
}

TEST(Password, ModesLengthsAndBuffers) {
  const Bytes src = Pattern(32, 2);
  // Modes 0 and 1: all bytes deciphered under the unmodified key, the last then zeroed.
  Bytes all = ZCrypt1Decrypt(kDefaultPasswordKey, src);
  all[31] = 0;
  for (int mode : {0, 1, -2}) {
    Bytes dst(32);
    DecodePassword(src.data(), nullptr, mode, 32, dst.data());
    EXPECT_EQ(dst, all) << mode;
  }
  // Mode 3 and -1: only the first 31 bytes, key modified by byte 31.
  Bytes m3(32), m1(32), m2(32);
  DecodePassword(src.data(), nullptr, 3, 32, m3.data());
  DecodePassword(src.data(), nullptr, -1, 32, m1.data());
  DecodePassword(src.data(), nullptr, 2, 32, m2.data());
  EXPECT_EQ(m3, m1);
  EXPECT_EQ(m3, m2);
  EXPECT_EQ(m3[31], 0);
  // In place gives the same.
  Bytes in_place = src;
  DecodePassword(in_place.data(), nullptr, -1, 32, in_place.data());
  EXPECT_EQ(in_place, m3);
  // A caller's key.
  Bytes own(32);
  DecodePassword(src.data(), "other", 0, 32, own.data());
  Bytes expected = ZCrypt1Decrypt("other", src);
  expected[31] = 0;
  EXPECT_EQ(own, expected);
  // Length 1 with mode 3 yields the empty text; length 0 touches nothing.
  unsigned char one[1] = {0x41};
  DecodePassword(one, nullptr, 3, 1, one);
  EXPECT_EQ(one[0], 0);
  unsigned char untouched = 0x41;
  DecodePassword(&untouched, nullptr, 3, 0, &untouched);
  EXPECT_EQ(untouched, 0x41);
  // A type without a cipher yields the empty text, not the undeciphered bytes.
  Bytes none(32, 0xEE);
  DecodePasswordWithCipher(7, src.data(), nullptr, -1, 32, none.data());
  EXPECT_EQ(none, Bytes(32, 0));
  // Other ciphers through the general form: DES with mode 0.
  Bytes des(16);
  DecodePasswordWithCipher(1, src.data(), "k", 0, 16, des.data());
  Bytes des_expected = Processed(*Make(1, "k", 0), Bytes(src.begin(), src.begin() + 16));
  des_expected[15] = 0;
  EXPECT_EQ(des, des_expected);
  // Keys longer than 79 characters use their first 79.
  const std::string long_key(79, 'k');
  Bytes a(32), b(32);
  DecodePassword(src.data(), (long_key + "extra").c_str(), 0, 32, a.data());
  DecodePassword(src.data(), long_key.c_str(), 0, 32, b.data());
  EXPECT_EQ(a, b);
}

TEST(Password, EncodeDecodeRoundTripsEveryModifier) {
  const std::string texts[] = {
      "", "a", "secret", std::string(30, 'x'), std::string(31, 'y'), "\x7F\x80\xFF!"};
  for (const auto& text : texts) {
    for (int m = 0; m <= 255; ++m) {
      std::string hex = EncodePassword(text, m);
      ASSERT_EQ(hex.size(), 64u);
      EXPECT_EQ(hex, EncodePassword(text, m)) << "a fixed modifier gives a fixed result";
      EXPECT_EQ(lumenrt::DecodeStoredPassword(hex).value_or("?"), text) << "modifier " << m;
    }
  }
}

TEST(Password, RandomModifierKeepsTheWholeKey) {
  bool padding_varies = false;
  std::string previous;
  for (int i = 0; i < 200; ++i) {
    std::string hex = EncodePassword("pw");
    ASSERT_EQ(hex.size(), 64u);
    EXPECT_EQ(hex.find_first_not_of("0123456789ABCDEF"), std::string::npos);
    auto bytes = lumenrt::HexToPasswordBytes(hex);
    ASSERT_TRUE(bytes);
    EXPECT_EQ(std::memchr(kDefaultPasswordKey, (*bytes)[31], 32), nullptr) << "modifier cuts the key";
    EXPECT_EQ(lumenrt::DecodeStoredPassword(hex).value_or("?"), "pw");
    padding_varies |= !previous.empty() && previous != hex;
    previous = hex;
  }
  EXPECT_TRUE(padding_varies);
  // With a fixed modifier the padding is zero: deciphering shows zeros after the text.
  auto bytes = lumenrt::HexToPasswordBytes(EncodePassword("pw", 9));
  Bytes body(bytes->begin(), bytes->begin() + 31);
  std::string key(kDefaultPasswordKey);
  for (char& c : key) c = static_cast<char>(c ^ 9);
  EXPECT_EQ(ZCrypt1Decrypt(key.c_str(), body), (Bytes{'p', 'w', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                                      0,   0,   0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
}

TEST(Password, BadInputIsRefusedWithAReason) {
  std::string error;
  EXPECT_EQ(EncodePassword(std::string(32, 'a'), 0, &error), "");
  EXPECT_NE(error.find("31"), std::string::npos) << error;
  EXPECT_EQ(EncodePassword(std::string("a\0b", 3), 0, &error), "");
  EXPECT_NE(error.find("zero"), std::string::npos) << error;
  for (int m : {-2, 256}) EXPECT_EQ(EncodePassword("a", m, &error), "") << m;

  const std::string good(64, 'a');
  EXPECT_TRUE(lumenrt::HexToPasswordBytes(good));
  auto mixed = lumenrt::HexToPasswordBytes("00ff" + std::string(58, '0') + "Ab");
  ASSERT_TRUE(mixed);
  EXPECT_EQ((*mixed)[1], 0xFF);
  EXPECT_EQ((*mixed)[31], 0xAB);
  EXPECT_EQ(lumenrt::PasswordBytesToHex(*mixed), "00FF" + std::string(58, '0') + "AB");
  EXPECT_FALSE(lumenrt::HexToPasswordBytes(std::string(63, 'a'), &error));
  EXPECT_NE(error.find("63"), std::string::npos) << error;
  EXPECT_FALSE(lumenrt::HexToPasswordBytes(std::string(65, 'a'), &error));
  EXPECT_FALSE(lumenrt::HexToPasswordBytes(std::string(63, 'a') + "g", &error));
  EXPECT_NE(error.find("64"), std::string::npos) << error;
  EXPECT_FALSE(lumenrt::DecodeStoredPassword(" " + std::string(63, 'a'), &error));
}

}  // namespace
