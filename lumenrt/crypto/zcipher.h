// ZCipher: the abstract cipher of the library and its factory.
//
// Seven ciphers sit behind this interface, chosen by type number (`CreateCipher`) or by id
// (`CreateCipherById`):
//
//   type  id  class               name                   short name    key bits  rating
//     1    0  ZDesCipher          "DES (56-bit)"         "DES"              56     400
//     2    1  ZQwikCipher         "Qwik (8-bit)"         "Qwik"              8    1000
//     3    2  ZCrypt1Cipher       "ZCrypt1 (32-bit)"     "ZCrypt1"          32     750
//     4    3  ZBlowfish128Cipher  "Blowfish (128-bit)"   "Blowfish128"     128     300
//     5    4  ZTripleDesCipher    "TripleDES (112-bit)"  "TRIPLEDES"       112     200
//     6    5  ZBlowfish56Cipher   "Blowfish (56-bit)"    "Blowfish56"       56     500
//     8    6  ZAesCipher          "AES (128-bit)"        "AES"             128     350
//
// Every cipher answers version 2. Type 7 names no cipher.
//
// Contract:
// - The caller owns a created cipher and deletes it through the virtual destructor. Creation fails
//   only by std::bad_alloc; an unknown type or id yields nullptr.
// - `SetKey` takes a NUL-terminated 8-bit key string; a null or empty key is refused (result 0) and
//   changes nothing. Only the low byte of the direction counts: nonzero encrypts, zero decrypts.
//   Until the first accepted key a cipher works on its zero-filled state.
// - `Encrypt`, `Decrypt` and `Process` work in place on the whole buffer and return 1. Every call
//   starts afresh from the key: no chaining value, key position or generator state carries over, so
//   a buffer is deciphered by one call over the same byte count that was enciphered. The output bytes
//   are a stored format and never change.
// - Direction: for every cipher but AES, `Encrypt` and `Decrypt` set the stored direction and run
//   `Process`; the one-argument `SetKey` sets it to encrypt. The AES cipher starts in the encrypt
//   direction, its `Encrypt` and `Decrypt` leave the stored direction alone, and its one-argument
//   `SetKey` only derives the key.
// - No allocation while processing. A cipher object is used by one thread at a time; distinct
//   objects may be used on distinct threads.
#pragma once

#include <cstdint>
#include <string>

#include "lumenrt/platform/export.h"

class LUMENRT_EXPORT ZCipher {
 public:
  ZCipher() = default;
  ZCipher(const ZCipher&) = delete;
  ZCipher& operator=(const ZCipher&) = delete;
  virtual ~ZCipher();

  virtual int Encrypt(unsigned char* buffer, uint32_t length) = 0;
  virtual int Decrypt(unsigned char* buffer, uint32_t length) = 0;
  // Returns 1 when the key was taken, 0 for a null or empty key.
  virtual int SetKey(int direction, const char* key) = 0;
  virtual int SetKey(const char* key) = 0;
  // Works in the stored direction.
  virtual int Process(unsigned char* buffer, uint32_t length) = 0;
  virtual int GetVersion() const = 0;
  virtual int GetKeyBits() const = 0;
  virtual std::string GetName() const = 0;
  virtual std::string GetShortName() const = 0;
  virtual int GetRating() const = 0;
  virtual int GetId() const = 0;
};

// A new cipher for type number 1 to 6 or 8, else nullptr.
LUMENRT_EXPORT ZCipher* CreateCipher(int type);
// A new cipher for id 0 to 6, else nullptr.
LUMENRT_EXPORT ZCipher* CreateCipherById(int id);

namespace lumenrt {

// The fixed answers of one cipher, in the order of the ids.
struct LUMENRT_EXPORT CipherInfo {
  int type;
  int id;
  const char* name;
  const char* short_name;
  int key_bits;
  int rating;
};

inline constexpr int kCipherVersion = 2;
inline constexpr int kCipherCount = 7;
// Rows in the order of the ids 0 to 6.
extern LUMENRT_EXPORT const CipherInfo kCipherTable[kCipherCount];

// The row of a type number, or nullptr.
LUMENRT_EXPORT const CipherInfo* FindCipherByType(int type);
}  // namespace lumenrt
