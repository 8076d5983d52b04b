// The standard block ciphers against straightforward compositions of OpenSSL's low-level functions,
// and the key-derivation and tail rules.
#define OPENSSL_SUPPRESS_DEPRECATED
#include "lumenrt/crypto/internal/block_ciphers.h"

#include <cstring>
#include <string>

#include <gtest/gtest.h>
#include <openssl/aes.h>
#include <openssl/blowfish.h>
#include <openssl/des.h>
#include <openssl/md5.h>

#include "crypto/test_util.h"

#pragma GCC diagnostic ignored "-Wdeprecated-declarations"

namespace {

using namespace lumenrt::test;

const unsigned char kIv8[8] = {0x12, 0x34, 0x56, 0x78, 0x90, 0xAB, 0xCD, 0xEF};
const unsigned char kIv16[16] = {0x0F, 0x1E, 0x2D, 0x3C, 0x4B, 0x5A, 0x69, 0x78,
                                 0x87, 0x96, 0xA5, 0xB4, 0xC3, 0xD2, 0xE1, 0xF0};
const unsigned char kD3des[16] = {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF,
                                  0xFE, 0xDC, 0xBA, 0x98, 0x76, 0x54, 0x32, 0x10};

void Rotate(unsigned char* p, size_t n, bool encrypt) {
  for (size_t i = 0; i < n; ++i)
    p[i] = static_cast<unsigned char>(encrypt ? (p[i] << 5 | p[i] >> 3) : (p[i] << 3 | p[i] >> 5));
}

Bytes RefDes(const std::string& key, Bytes data, bool encrypt) {
  DES_key_schedule k1, k2, ks;
  DES_set_key_unchecked(reinterpret_cast<const_DES_cblock*>(const_cast<unsigned char*>(kD3des)), &k1);
  DES_set_key_unchecked(reinterpret_cast<const_DES_cblock*>(const_cast<unsigned char*>(kD3des + 8)), &k2);
  DES_cblock k;
  std::memcpy(k, kD3des, 8);
  std::string text = key.substr(0, 63);
  size_t pos = 0;
  do {
    for (size_t i = 0; i < 8 && pos < text.size(); ++i, ++pos) k[i] ^= text[pos] & 0x7F;
    DES_cblock out;
    DES_ecb3_encrypt(&k, &out, &k1, &k2, &k1, DES_ENCRYPT);
    std::memcpy(k, out, 8);
  } while (pos < text.size());
  DES_set_key_unchecked(&k, &ks);
  size_t whole = data.size() / 8 * 8;
  for (size_t i = 0; i < whole; i += 8) {
    DES_cblock out;
    DES_ecb_encrypt(reinterpret_cast<const_DES_cblock*>(data.data() + i), &out, &ks, encrypt);
    std::memcpy(data.data() + i, out, 8);
  }
  Rotate(data.data() + whole, data.size() - whole, encrypt);
  return data;
}

Bytes RefTripleDes(const std::string& key, Bytes data, bool encrypt) {
  char text[64] = {};
  std::memcpy(text, key.data(), std::min<size_t>(key.size(), 63));
  unsigned char digest[16];
  MD5(reinterpret_cast<unsigned char*>(text), 8, digest);
  std::memcpy(text, digest, 16);
  DES_cblock c1, c2;
  DES_string_to_2keys(text, &c1, &c2);
  DES_key_schedule k1, k2;
  DES_set_key_unchecked(&c1, &k1);
  DES_set_key_unchecked(&c2, &k2);
  const int d = encrypt ? DES_ENCRYPT : DES_DECRYPT;
  struct {
    DES_key_schedule* ks;
    int enc;
  } passes[3] = {{&k1, d}, {&k2, !d}, {&k1, d}};
  size_t whole = data.size() / 8 * 8;
  for (auto& p : passes) {
    DES_cblock iv;
    std::memcpy(iv, kIv8, 8);
    DES_ncbc_encrypt(data.data(), data.data(), static_cast<long>(whole), p.ks, &iv, p.enc);
    std::memcpy(iv, kIv8, 8);
    int num = 0;
    DES_cfb64_encrypt(data.data() + whole, data.data() + whole, static_cast<long>(data.size() - whole), p.ks,
                      &iv, &num, p.enc);
  }
  return data;
}

Bytes RefBlowfish(const std::string& key, int key_bytes, Bytes data, bool encrypt) {
  unsigned char digest[16];
  MD5(reinterpret_cast<const unsigned char*>(key.data()), key.size(), digest);
  BF_KEY ks;
  BF_set_key(&ks, key_bytes, digest);
  unsigned char iv[8];
  std::memcpy(iv, kIv8, 8);
  size_t whole = data.size() / 8 * 8;
  BF_cbc_encrypt(data.data(), data.data(), static_cast<long>(whole), &ks, iv,
                 encrypt ? BF_ENCRYPT : BF_DECRYPT);
  int num = 0;
  BF_cfb64_encrypt(data.data() + whole, data.data() + whole, static_cast<long>(data.size() - whole), &ks, iv,
                   &num, encrypt ? BF_ENCRYPT : BF_DECRYPT);
  return data;
}

Bytes RefAes(const std::string& key, Bytes data, bool encrypt) {
  unsigned char digest[16];
  MD5(reinterpret_cast<const unsigned char*>(key.data()), key.size(), digest);
  AES_KEY ks;
  if (encrypt)
    AES_set_encrypt_key(digest, 128, &ks);
  else
    AES_set_decrypt_key(digest, 128, &ks);
  unsigned char iv[16];
  std::memcpy(iv, kIv16, 16);
  size_t whole = data.size() / 16 * 16;
  AES_cbc_encrypt(data.data(), data.data(), whole, &ks, iv, encrypt ? AES_ENCRYPT : AES_DECRYPT);
  Rotate(data.data() + whole, data.size() - whole, encrypt);
  return data;
}

Bytes Reference(int type, const std::string& key, const Bytes& data, bool encrypt) {
  switch (type) {
    case 1:
      return RefDes(key, data, encrypt);
    case 4:
      return RefBlowfish(key, 16, data, encrypt);
    case 5:
      return RefTripleDes(key, data, encrypt);
    case 6:
      return RefBlowfish(key, 7, data, encrypt);
    default:
      return RefAes(key, data, encrypt);
  }
}

TEST(BlockCiphers, MatchOpenSslComposition) {
  const std::string keys[] = {"k",
                              "password",
                              "sixteen chars!!!",
                              std::string(40, 'x') + "tail",
                              "\xC3\xA9t\xC3\xA9 \x80\xFF",
                              std::string(100, 'q')};
  const size_t lengths[] = {0, 1, 5, 7, 8, 9, 15, 16, 17, 23, 24, 31, 32, 33, 100, 1000, 4099, 65536};
  for (int type : {1, 4, 5, 6, 8}) {
    for (const auto& key : keys) {
      for (size_t n : lengths) {
        const Bytes plain = Pattern(n, static_cast<uint32_t>(n * 7 + key.size()));
        auto c = Make(type, key.c_str());
        const Bytes cipher_text = Encrypted(*c, plain);
        ASSERT_EQ(cipher_text, Reference(type, key, plain, true))
            << "type " << type << " key '" << key << "' n=" << n;
        ASSERT_EQ(Decrypted(*c, plain), Reference(type, key, plain, false)) << "type " << type << " n=" << n;
      }
    }
  }
}

TEST(BlockCiphers, ShortBuffersOnlyRotate) {
  for (int type : {1, 8}) {
    auto c = Make(type, "key");
    EXPECT_EQ(Encrypted(*c, {0x01, 0x80, 0x0F}), (Bytes{0x20, 0x10, 0xE1})) << type;
    EXPECT_EQ(Decrypted(*c, {0x20, 0x10, 0xE1}), (Bytes{0x01, 0x80, 0x0F})) << type;
  }
  // DES: 17 bytes are two blocks in electronic codebook mode and one rotated byte.
  Bytes seventeen = Pattern(8);
  seventeen.insert(seventeen.end(), seventeen.begin(), seventeen.end());
  seventeen.push_back(0x01);
  auto des = Make(1, "key");
  Bytes out = Encrypted(*des, seventeen);
  EXPECT_TRUE(std::equal(out.begin(), out.begin() + 8, out.begin() + 8));
  EXPECT_EQ(out[16], 0x20);
}

// Whether two keys encipher a sample the same way.
bool SameCipher(int type, const std::string& a, const std::string& b) {
  const Bytes plain = Pattern(45, 11);
  return Encrypted(*Make(type, a.c_str()), plain) == Encrypted(*Make(type, b.c_str()), plain);
}

TEST(BlockCiphers, WhichKeyCharactersCount) {
  const std::string base = "The quick brown fox jumps over the lazy dog, and then over the fence again!";
  ASSERT_GT(base.size(), 64u);
  std::string changed_late = base, top_bit = base;
  changed_late[70] ^= 1;
  top_bit[5] = static_cast<char>(top_bit[5] | 0x80);
  // DES: only the first 63 characters, top bits cleared.
  EXPECT_TRUE(SameCipher(1, base, changed_late));
  EXPECT_TRUE(SameCipher(1, base, top_bit));
  std::string changed_62 = base;
  changed_62[62] ^= 1;
  EXPECT_FALSE(SameCipher(1, base, changed_62));
  // Blowfish and AES: every character, however long the key.
  for (int type : {4, 6, 8}) {
    EXPECT_FALSE(SameCipher(type, base, changed_late)) << type;
    EXPECT_FALSE(SameCipher(type, base, top_bit)) << type;
  }
  // Triple DES: characters 9 to 16 never count; 17 to 63 count when the digest of the first 8 has no
  // zero byte; characters 1 to 8 count through the digest.
  for (size_t i = 8; i < 16; ++i) {
    std::string k = base;
    k[i] ^= 0x21;
    EXPECT_TRUE(SameCipher(5, base, k)) << i;
  }
  unsigned char digest[16];
  MD5(reinterpret_cast<const unsigned char*>(base.data()), 8, digest);
  ASSERT_EQ(std::memchr(digest, 0, 16), nullptr) << "pick another base key";
  std::string changed_20 = base, changed_2 = base;
  changed_20[20] ^= 1;
  changed_2[2] ^= 1;
  EXPECT_FALSE(SameCipher(5, base, changed_20));
  EXPECT_TRUE(SameCipher(5, base, changed_late));
  EXPECT_FALSE(SameCipher(5, base, changed_2));
}

TEST(BlockCiphers, TripleDesDigestWithEarlyZeroGivesEqualKeys) {
  // Find a key whose digest of the first 8 bytes has a zero among its first 9 bytes: the routine then
  // sees at most 8 characters, both DES keys are equal, and characters 17 on no longer count.
  std::string key;
  for (int i = 0; i < 100000 && key.empty(); ++i) {
    std::string k = "key" + std::to_string(i);
    k.resize(8, '.');
    unsigned char digest[16];
    MD5(reinterpret_cast<const unsigned char*>(k.data()), 8, digest);
    if (std::memchr(digest, 0, 9) != nullptr) key = k;
  }
  ASSERT_FALSE(key.empty());
  const std::string longer = key + "12345678" + "counts only when the digest has no zero";
  EXPECT_TRUE(SameCipher(5, key, longer));
  // Equal keys: encrypt, decrypt, encrypt with one key is single DES chaining.
  char text[64] = {};
  MD5(reinterpret_cast<const unsigned char*>(key.data()), 8, reinterpret_cast<unsigned char*>(text));
  DES_cblock k1, k2;
  DES_string_to_2keys(text, &k1, &k2);
  ASSERT_EQ(std::memcmp(k1, k2, 8), 0);
  DES_key_schedule ks;
  DES_set_key_unchecked(&k1, &ks);
  Bytes plain = Pattern(64, 5), expected = plain;
  DES_cblock iv;
  std::memcpy(iv, kIv8, 8);
  DES_ncbc_encrypt(plain.data(), expected.data(), 64, &ks, &iv, DES_ENCRYPT);
  EXPECT_EQ(Encrypted(*Make(5, key.c_str()), plain), expected);
}

TEST(BlockCiphers, UnkeyedCiphersRoundTrip) {
  for (int type : {1, 4, 5, 6, 8}) {
    for (size_t n : {0, 3, 16, 40, 1000}) {
      auto c = Make(type);
      const Bytes plain = Pattern(n, 3);
      EXPECT_EQ(Decrypted(*c, Encrypted(*c, plain)), plain) << type << " n=" << n;
    }
  }
}

}  // namespace
