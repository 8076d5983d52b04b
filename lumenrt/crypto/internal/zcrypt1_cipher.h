// ZCrypt1Cipher: the library's own stream cipher (type 3, id 2), on which password decoding runs.
//
// The key string gives four key bytes through QwikKeyBytes; read big-endian they form a 32-bit key
// word. The buffer is cut into chunks of 1024 bytes (the last one holds what is left). Each chunk of
// m bytes seeds ZCrypt1Generator from key word + m and is XORed with the generator's output, four
// bytes per value, most significant first. Encrypting applies MirrorSwap to the chunk before the
// XOR, decrypting after it. Every full chunk of a buffer thus uses the same keystream; only a shorter
// last chunk has its own. Unkeyed, the key word is zero.
#pragma once

#include <cstdint>

#include "lumenrt/crypto/internal/cipher_base.h"

// The multiplicative congruential generator of ZCrypt1, in signed 32-bit two's complement arithmetic
// with wrap-around (division truncating toward zero, remainder with the sign of the dividend).
class ZCrypt1Generator {
 public:
  static constexpr int32_t kDivisor = 127773;
  static constexpr int32_t kMultiplier = 16807;
  static constexpr int32_t kModulus = 2147483647;

  // Seeds for a chunk of `chunk_length` bytes: s = key word + chunk length (wrapped), raised by the
  // modulus when it is 0 or less, then one step.
  void Seed(uint32_t key_word, uint32_t chunk_length);
  // One step: for s above the divisor, (s mod 127773) * 16807 - (s div 127773) * 127773, raised by the
  // modulus when 0 or less; otherwise (s * 16807) mod 2147483647 without correction.
  void Step();
  int32_t value() const { return state_; }

  // Writes the keystream of ceil(n / 4) generator values (big-endian) to out[0 .. 4 * ceil(n / 4)).
  void Fill(unsigned char* out, uint32_t n);

 private:
  int32_t state_ = 0;
  int32_t divisor_ = kDivisor;
  int32_t factor_ = kDivisor;
};

// Swaps byte i with byte m - 1 - i for i = 0, 2, 4, ... below m / 2; every other byte stays. It is
// its own inverse.
void MirrorSwap(unsigned char* chunk, uint32_t m);

class ZCrypt1Cipher : public lumenrt::DirectedCipher {
 public:
  static constexpr uint32_t kChunk = 1024;

  ZCrypt1Cipher() : DirectedCipher(2) {}
  ~ZCrypt1Cipher() override;
  int Process(unsigned char* buffer, uint32_t length) override;

  uint32_t key_word() const { return key_word_; }

 protected:
  void DeriveKey(const char* key) override;

 private:
  uint32_t key_word_ = 0;
  // The keystream of a full chunk, made on first use after each keying.
  bool full_stream_ready_ = false;
  alignas(16) unsigned char full_stream_[kChunk];
};
