// The five ciphers that wrap published block ciphers, with their fixed key and chaining rules:
//
//   ZDesCipher          DES, key from MakeDesKey over the first 63 characters; electronic codebook;
//                       TailRotate for the bytes after the last whole 8-byte block.
//   ZTripleDesCipher    two DES keys from the MIT-compatible string-to-two-keys routine run over the
//                       MD5 of the key's first 8 bytes (characters 17 to 63 follow when the digest has
//                       no zero byte); three passes (key 1 in the direction, key 2 against it, key 1),
//                       each chaining from the fixed 8-byte vector over the whole blocks and running
//                       64-bit cipher feedback from the fixed vector over the rest.
//   ZBlowfish128Cipher  Blowfish keyed with the MD5 of the whole key string (16 bytes; 7 bytes for
//   ZBlowfish56Cipher   Blowfish-56); chaining from the fixed 8-byte vector, then 64-bit cipher
//                       feedback over the rest, continuing from the last whole block.
//   ZAesCipher          AES-128 keyed with the MD5 of the whole key string; chaining from the fixed
//                       16-byte vector; TailRotate for the bytes after the last whole 16-byte block.
//
// All work in place on the whole buffer, start every call afresh from the key, and allocate nothing
// while processing (the AES cipher allocates its two OpenSSL contexts when it is built and throws
// std::bad_alloc when it cannot). DES builds its key schedule at each call, the others when keyed.
// Unkeyed, DES runs with an all-zero key, Triple DES and Blowfish with all-zero schedules, and AES
// skips its block step, leaving only the chaining XOR and the tail rotation.
//
// Keys, key schedules and the digests they come from are wiped (OPENSSL_cleanse) when the cipher is
// keyed again and when it is destroyed; OpenSSL wipes the AES contexts' schedules itself.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "lumenrt/crypto/internal/cipher_base.h"

// Rotates each of n bytes within 8 bits: left by 5 places to encrypt, left by 3 to decrypt.
void TailRotate(unsigned char* bytes, size_t n, bool encrypt);

// The 8-byte DES key of a key string of n characters: starting from bytes 0 to 7 of the D3DES default
// key, at least once and while characters remain, XOR the next up to 8 characters (top bit cleared)
// into key bytes 0, 1, ... and encrypt the key with two-key Triple DES (electronic codebook) under
// bytes 0 to 7 and 8 to 15 of the D3DES default key.
void MakeDesKey(const char* text, size_t n, unsigned char key[8]);

class ZDesCipher : public lumenrt::DirectedCipher {
 public:
  ZDesCipher() : DirectedCipher(0) {}
  ~ZDesCipher() override;
  int Process(unsigned char* buffer, uint32_t length) override;

 protected:
  void DeriveKey(const char* key) override;

 private:
  unsigned char key_[8] = {};
};

class ZTripleDesCipher : public lumenrt::DirectedCipher {
 public:
  ZTripleDesCipher();
  ~ZTripleDesCipher() override;
  int Process(unsigned char* buffer, uint32_t length) override;

 protected:
  void DeriveKey(const char* key) override;

 private:
  struct Schedules;  // the two DES key schedules, zero-filled when built
  std::unique_ptr<Schedules> schedules_;
};

namespace lumenrt {

// Blowfish keyed with the first `key_bytes` bytes of the MD5 of the key string.
class BlowfishCipher : public DirectedCipher {
 public:
  BlowfishCipher(int id, int key_bytes);
  ~BlowfishCipher() override;
  int Process(unsigned char* buffer, uint32_t length) override;

 protected:
  void DeriveKey(const char* key) override;

 private:
  struct Schedule;  // the Blowfish P-array and S-boxes, zero-filled when built
  int key_bytes_;
  std::unique_ptr<Schedule> schedule_;
};

}  // namespace lumenrt

class ZBlowfish128Cipher : public lumenrt::BlowfishCipher {
 public:
  ZBlowfish128Cipher() : BlowfishCipher(3, 16) {}
};

class ZBlowfish56Cipher : public lumenrt::BlowfishCipher {
 public:
  ZBlowfish56Cipher() : BlowfishCipher(5, 7) {}
};

class ZAesCipher : public lumenrt::CipherBase {
 public:
  ZAesCipher();
  ~ZAesCipher() override;

  // The two directions themselves; the stored direction is left alone.
  int Encrypt(unsigned char* buffer, uint32_t length) override;
  int Decrypt(unsigned char* buffer, uint32_t length) override;
  // Stores the direction, then derives the key through the one-argument SetKey.
  int SetKey(int direction, const char* key) override;
  // Derives the key only.
  int SetKey(const char* key) override;
  // Encrypt when the stored direction is nonzero (as it is when built), else Decrypt.
  int Process(unsigned char* buffer, uint32_t length) override;

  bool encrypting() const;

 private:
  struct Context;
  std::unique_ptr<Context> context_;
};
