#include "lumenrt/crypto/internal/zcrypt1_cipher.h"

#include <bit>
#include <cstring>

#include <openssl/crypto.h>

#include "lumenrt/crypto/internal/byte_ops.h"
#include "lumenrt/crypto/internal/qwik_cipher.h"
#include "lumenrt/crypto/internal/simd_kernels.h"

// The arithmetic is done in 64-bit or unsigned types and wrapped back to 32 bits, which gives the
// two's complement results without relying on signed overflow.
namespace {

int32_t Wrap32(int64_t v) { return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(v))); }

}  // namespace

void ZCrypt1Generator::Seed(uint32_t key_word, uint32_t chunk_length) {
  divisor_ = kDivisor;
  factor_ = kDivisor;
  state_ = static_cast<int32_t>(key_word + chunk_length);
  if (state_ <= 0) state_ = Wrap32(static_cast<int64_t>(state_) + kModulus);
  Step();
}

void ZCrypt1Generator::Step() {
  if (state_ > divisor_) {
    // Both terms stay within 32 bits here; the quotient is multiplied by the divisor again.
    int64_t s = static_cast<int64_t>(state_ % divisor_) * kMultiplier -
                static_cast<int64_t>(state_ / divisor_) * factor_;
    if (s <= 0) s += kModulus;
    state_ = Wrap32(s);
  } else {
    // s * 16807 wraps in 32 bits for negative s; the remainder keeps the sign of the dividend.
    int32_t product =
        static_cast<int32_t>(static_cast<uint32_t>(state_) * static_cast<uint32_t>(kMultiplier));
    state_ = product % kModulus;
  }
}

void ZCrypt1Generator::Fill(unsigned char* out, uint32_t n) {
  for (uint32_t i = 0; i < n; i += 4) {
    uint32_t v = static_cast<uint32_t>(state_);
    out[i] = static_cast<unsigned char>(v >> 24);
    out[i + 1] = static_cast<unsigned char>(v >> 16);
    out[i + 2] = static_cast<unsigned char>(v >> 8);
    out[i + 3] = static_cast<unsigned char>(v);
    Step();
  }
}

void MirrorSwap(unsigned char* chunk, uint32_t m) {
  const uint32_t half = m / 2;
  uint32_t i = 0;
  if constexpr (std::endian::native == std::endian::little) {
    // Eight bytes at a time: the even bytes of the word at i trade places with the odd bytes of the
    // word that ends at m - 1 - i, in reverse order.
    constexpr uint64_t kEven = 0x00FF00FF00FF00FFull;
    for (; i + 8 <= half; i += 8) {
      unsigned char* a = chunk + i;
      unsigned char* b = chunk + (m - 8 - i);
      uint64_t wa = lumenrt::Load64(a), wb = lumenrt::Load64(b);
      lumenrt::Store64(a, (wa & ~kEven) | (__builtin_bswap64(wb) & kEven));
      lumenrt::Store64(b, (wb & kEven) | (__builtin_bswap64(wa) & ~kEven));
    }
  }
  for (; i < half; i += 2) {
    unsigned char t = chunk[i];
    chunk[i] = chunk[m - 1 - i];
    chunk[m - 1 - i] = t;
  }
}

ZCrypt1Cipher::~ZCrypt1Cipher() {
  OPENSSL_cleanse(&key_word_, sizeof key_word_);
  OPENSSL_cleanse(full_stream_, sizeof full_stream_);
}

void ZCrypt1Cipher::DeriveKey(const char* key) {
  OPENSSL_cleanse(full_stream_, sizeof full_stream_);
  auto k = QwikKeyBytes(key, std::strlen(key));
  key_word_ = (static_cast<uint32_t>(k[0]) << 24) | (static_cast<uint32_t>(k[1]) << 16) |
              (static_cast<uint32_t>(k[2]) << 8) | k[3];
  full_stream_ready_ = false;
}

int ZCrypt1Cipher::Process(unsigned char* buffer, uint32_t length) {
  const bool encrypt = encrypting();
  const auto chunk_kernel = lumenrt::Kernels().zcrypt1_chunk;
  alignas(16) unsigned char short_stream[kChunk];
  for (uint32_t done = 0; done < length;) {
    const uint32_t m = length - done < kChunk ? length - done : kChunk;
    const unsigned char* stream = full_stream_;
    if (m == kChunk) {
      if (!full_stream_ready_) {
        ZCrypt1Generator g;
        g.Seed(key_word_, kChunk);
        g.Fill(full_stream_, kChunk);
        full_stream_ready_ = true;
      }
    } else {
      ZCrypt1Generator g;
      g.Seed(key_word_, m);
      g.Fill(short_stream, m);
      stream = short_stream;
    }
    chunk_kernel(buffer + done, m, stream, encrypt);
    done += m;
  }
  return 1;
}
