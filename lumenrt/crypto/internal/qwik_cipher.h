// ZQwikCipher: the lightest cipher of the suite (type 2, id 1), and QwikKeyBytes, its way of turning
// a key string into four key bytes, which ZCrypt1 shares.
//
// Each byte is combined with key byte k[j] (j = 0, 1, 2, 3, 0, ... from the start of every call) and
// rotated by three bits: encrypting gives ror3(b ^ k[j]), decrypting rol3(c) ^ k[j]. There are no
// blocks; any length works and nothing carries over between calls.
//
// Only the characters at positions 1, 4, 7 and 10 of a long key count (fewer positions, wrapped, for
// keys shorter than eleven characters). Unkeyed, all four key bytes are zero.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "lumenrt/crypto/internal/cipher_base.h"

// The four key bytes k0..k3 of a key string of `length` characters (length at least 1; characters
// taken as unsigned bytes): k[i] is the character at (3i / length + 3i + 1) mod length, rotated right
// by i + 4 places within 8 bits.
std::array<uint8_t, 4> QwikKeyBytes(const char* key, size_t length);

class ZQwikCipher : public lumenrt::DirectedCipher {
 public:
  ZQwikCipher() : DirectedCipher(1) {}
  ~ZQwikCipher() override;
  int Process(unsigned char* buffer, uint32_t length) override;

 protected:
  void DeriveKey(const char* key) override;

 private:
  std::array<uint8_t, 4> key_{};
};
