// The cipher interface: fixed answers, factory, key refusal, direction rules, round trips, threads.
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "lumenrt/crypto/zcipher.h"

#include "crypto/test_util.h"

namespace {

using namespace lumenrt::test;

TEST(CipherFactory, FixedAnswersByTypeAndId) {
  struct Row {
    int type, id;
    const char *name, *short_name;
    int bits, rating;
  } const rows[] = {{1, 0, "DES (56-bit)", "DES", 56, 400},
                    {2, 1, "Qwik (8-bit)", "Qwik", 8, 1000},
                    {3, 2, "ZCrypt1 (32-bit)", "ZCrypt1", 32, 750},
                    {4, 3, "Blowfish (128-bit)", "Blowfish128", 128, 300},
                    {5, 4, "TripleDES (112-bit)", "TRIPLEDES", 112, 200},
                    {6, 5, "Blowfish (56-bit)", "Blowfish56", 56, 500},
                    {8, 6, "AES (128-bit)", "AES", 128, 350}};
  for (const Row& r : rows) {
    for (bool by_id : {false, true}) {
      std::unique_ptr<ZCipher> c(by_id ? CreateCipherById(r.id) : CreateCipher(r.type));
      ASSERT_TRUE(c) << r.type;
      EXPECT_EQ(c->GetId(), r.id);
      EXPECT_EQ(c->GetName(), r.name);
      EXPECT_EQ(c->GetShortName(), r.short_name);
      EXPECT_EQ(c->GetKeyBits(), r.bits);
      EXPECT_EQ(c->GetRating(), r.rating);
      EXPECT_EQ(c->GetVersion(), 2);
    }
  }
  for (int type : {-1, 0, 7, 9, 100}) EXPECT_EQ(CreateCipher(type), nullptr) << type;
  for (int id : {-1, 7, 8}) EXPECT_EQ(CreateCipherById(id), nullptr) << id;
}

TEST(CipherFactory, RefusedKeyChangesNothing) {
  for (int type : kTypes) {
    auto keyed = Make(type, "some key", 1);
    const Bytes plain = Pattern(37);
    const Bytes expected = Processed(*keyed, plain);
    EXPECT_EQ(keyed->SetKey(0, ""), 0);
    EXPECT_EQ(keyed->SetKey(0, nullptr), 0);
    EXPECT_EQ(keyed->SetKey(""), 0);
    EXPECT_EQ(keyed->SetKey(nullptr), 0);
    EXPECT_EQ(Processed(*keyed, plain), expected) << type << ": key or direction changed";
  }
}

TEST(CipherFactory, DirectionRules) {
  const Bytes plain = Pattern(45, 3);
  for (int type : kTypes) {
    SCOPED_TRACE(type);
    auto reference = Make(type, "k3y");
    const Bytes cipher_text = Encrypted(*reference, plain);
    ASSERT_NE(cipher_text, plain);
    ASSERT_EQ(Decrypted(*reference, cipher_text), plain);

    // A direction of 256 keeps only its low byte: decrypt.
    auto c = Make(type, "k3y", 256);
    EXPECT_EQ(Processed(*c, cipher_text), plain);
    // A direction of 2 encrypts.
    c->SetKey(2, "k3y");
    EXPECT_EQ(Processed(*c, plain), cipher_text);

    if (type != 8) {
      // Encrypt and Decrypt set the stored direction; the one-argument SetKey keys for encryption.
      c->SetKey(0, "k3y");
      Encrypted(*c, plain);
      EXPECT_EQ(Processed(*c, plain), cipher_text);
      Decrypted(*c, plain);
      EXPECT_EQ(Processed(*c, cipher_text), plain);
      c->SetKey("k3y");
      EXPECT_EQ(Processed(*c, plain), cipher_text);
    } else {
      // AES: Encrypt and Decrypt leave the direction alone; the one-argument SetKey only derives the key.
      auto aes = Make(8);
      aes->SetKey("k3y");
      EXPECT_EQ(Processed(*aes, plain), cipher_text) << "a new AES cipher encrypts";
      aes->SetKey(0, "k3y");
      Encrypted(*aes, plain);
      EXPECT_EQ(Processed(*aes, cipher_text), plain);
      aes->SetKey("k3y");
      EXPECT_EQ(Processed(*aes, cipher_text), plain) << "slot 4 must keep the decrypt direction";
    }
  }
}

TEST(CipherFactory, RoundTripsAtManyLengths) {
  std::vector<size_t> lengths;
  for (size_t n = 0; n <= 70; ++n) lengths.push_back(n);
  for (size_t n = 1015; n <= 1033; ++n) lengths.push_back(n);
  for (size_t n : {2047, 2048, 2049, 4096, 100003, 262144}) lengths.push_back(n);
  const char* keys[] = {nullptr, "a", "password",
                        "a key of more than sixty-three characters, which some ciphers cut off"};
  for (int type : kTypes) {
    for (const char* key : keys) {
      for (size_t n : lengths) {
        auto c = Make(type, key);
        const Bytes plain = Pattern(n, static_cast<uint32_t>(n + type));
        Bytes data = plain;
        ASSERT_EQ(c->Encrypt(data.data(), static_cast<uint32_t>(n)), 1);
        if (n >= 4) {
          EXPECT_NE(data, plain) << type << " n=" << n;
        }
        // A call starts afresh from the key: the same input enciphers the same way again.
        EXPECT_EQ(Encrypted(*c, plain), data) << type << " n=" << n;
        ASSERT_EQ(c->Decrypt(data.data(), static_cast<uint32_t>(n)), 1);
        ASSERT_EQ(data, plain) << "type " << type << " key " << (key ? key : "(none)") << " n=" << n;
      }
    }
  }
}

TEST(CipherFactory, TwoThreadsWithTwoObjects) {
  const Bytes plain = Pattern(50000, 9);
  for (int type : kTypes) {
    Bytes expected_a = Encrypted(*Make(type, "first"), plain);
    Bytes expected_b = Encrypted(*Make(type, "second"), plain);
    bool ok_a = true, ok_b = true;
    auto work = [&plain](int t, const char* key, const Bytes& expected, bool& ok) {
      auto c = Make(t, key);
      for (int i = 0; i < 20 && ok; ++i) {
        Bytes data = Encrypted(*c, plain);
        ok = data == expected && Decrypted(*c, data) == plain;
      }
    };
    std::thread a(work, type, "first", std::cref(expected_a), std::ref(ok_a));
    std::thread b(work, type, "second", std::cref(expected_b), std::ref(ok_b));
    a.join();
    b.join();
    EXPECT_TRUE(ok_a && ok_b) << type;
  }
}

}  // namespace
