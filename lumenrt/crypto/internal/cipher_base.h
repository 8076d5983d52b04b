// The shared bases of the library's ciphers (lumenrt/crypto/zcipher.h): the fixed answers of a
// cipher's row of kCipherTable, and the direction rules of every cipher but AES.
#pragma once

#include <cstdint>
#include <string>

#include "lumenrt/crypto/zcipher.h"

namespace lumenrt {

// What every cipher shares: the fixed answers from its row of kCipherTable.
class CipherBase : public ZCipher {
 public:
  explicit CipherBase(int id) : info_(kCipherTable[id]) {}
  int GetVersion() const override { return kCipherVersion; }
  int GetKeyBits() const override { return info_.key_bits; }
  std::string GetName() const override { return info_.name; }
  std::string GetShortName() const override { return info_.short_name; }
  int GetRating() const override { return info_.rating; }
  int GetId() const override { return info_.id; }

 private:
  const CipherInfo& info_;
};

// The direction rules of every cipher but AES: the direction byte lives with the key, `Encrypt` and
// `Decrypt` set it and run `Process`, the one-argument `SetKey` keys for encryption.
class DirectedCipher : public CipherBase {
 public:
  explicit DirectedCipher(int id) : CipherBase(id) {}

  int Encrypt(unsigned char* buffer, uint32_t length) override {
    direction_ = 1;
    return Process(buffer, length);
  }
  int Decrypt(unsigned char* buffer, uint32_t length) override {
    direction_ = 0;
    return Process(buffer, length);
  }
  int SetKey(int direction, const char* key) override {
    if (key == nullptr || key[0] == '\0') return 0;
    direction_ = static_cast<unsigned char>(direction & 0xFF);
    DeriveKey(key);
    return 1;
  }
  int SetKey(const char* key) override { return SetKey(1, key); }

  bool encrypting() const { return direction_ != 0; }

 protected:
  // Turns a non-empty key string into the cipher's key material.
  virtual void DeriveKey(const char* key) = 0;

 private:
  unsigned char direction_ = 0;
};

}  // namespace lumenrt
