#include <bit>
#include <cstring>

#include <openssl/crypto.h>

#include "lumenrt/crypto/internal/block_ciphers.h"
#include "lumenrt/crypto/internal/byte_ops.h"
#include "lumenrt/crypto/internal/openssl_legacy.h"

namespace {

// The default key published with the public-domain D3DES package; MakeDesKey uses its first 16 bytes.
constexpr unsigned char kD3desDefaultKey[24] = {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF,
                                                0xFE, 0xDC, 0xBA, 0x98, 0x76, 0x54, 0x32, 0x10,
                                                0x89, 0xAB, 0xCD, 0xEF, 0x01, 0x23, 0x45, 0x67};

constexpr size_t kMaxKeyCharacters = 63;

// The schedules of the D3DES default key, built once and only read afterwards (OpenSSL's DES
// functions take a non-const pointer but do not write through it).
struct DefaultSchedules {
  lumenrt::ossl::DesKeySchedule first, second;
  DefaultSchedules() {
    lumenrt::ossl::DesSchedule(kD3desDefaultKey, &first);
    lumenrt::ossl::DesSchedule(kD3desDefaultKey + 8, &second);
  }
};

DefaultSchedules& Defaults() {
  static DefaultSchedules schedules;
  return schedules;
}

}  // namespace

void TailRotate(unsigned char* bytes, size_t n, bool encrypt) {
  const unsigned places = encrypt ? 5 : 3;
  for (size_t i = 0; i < n; ++i) bytes[i] = lumenrt::RotateLeft8(bytes[i], places);
}

void MakeDesKey(const char* text, size_t n, unsigned char key[8]) {
  DefaultSchedules& d = Defaults();
  std::memcpy(key, kD3desDefaultKey, 8);
  size_t pos = 0;
  do {
    for (size_t i = 0; i < 8 && pos < n; ++i, ++pos) key[i] ^= static_cast<unsigned char>(text[pos]) & 0x7F;
    unsigned char block[8];
    std::memcpy(block, key, 8);
    lumenrt::ossl::DesEde2Ecb(block, key, &d.first, &d.second);
  } while (pos < n);
}

ZDesCipher::~ZDesCipher() { OPENSSL_cleanse(key_, sizeof key_); }

void ZDesCipher::DeriveKey(const char* key) {
  OPENSSL_cleanse(key_, sizeof key_);
  MakeDesKey(key, strnlen(key, kMaxKeyCharacters), key_);
}

int ZDesCipher::Process(unsigned char* buffer, uint32_t length) {
  const bool encrypt = encrypting();
  lumenrt::ossl::DesKeySchedule schedule;
  lumenrt::ossl::DesSchedule(key_, &schedule);
  const int enc = encrypt ? lumenrt::ossl::kEncrypt : lumenrt::ossl::kDecrypt;
  const uint32_t whole = length - length % 8;
  for (uint32_t i = 0; i < whole; i += 8) {
    // DES_ecb_encrypt reads and writes the block as two little-endian words.
    uint32_t halves[2];
    std::memcpy(halves, buffer + i, 8);
    if constexpr (std::endian::native != std::endian::little) {
      halves[0] = __builtin_bswap32(halves[0]);
      halves[1] = __builtin_bswap32(halves[1]);
    }
    lumenrt::ossl::DesBlock(halves, &schedule, enc);
    if constexpr (std::endian::native != std::endian::little) {
      halves[0] = __builtin_bswap32(halves[0]);
      halves[1] = __builtin_bswap32(halves[1]);
    }
    std::memcpy(buffer + i, halves, 8);
  }
  OPENSSL_cleanse(&schedule, sizeof schedule);
  TailRotate(buffer + whole, length - whole, encrypt);
  return 1;
}
