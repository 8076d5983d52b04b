#include "lumenrt/crypto/qwik_cipher.h"

#include <cstring>

#include "lumenrt/crypto/byte_ops.h"

std::array<uint8_t, 4> QwikKeyBytes(const char* key, size_t length) {
  std::array<uint8_t, 4> k{};
  if (key == nullptr || length == 0) return k;
  for (size_t i = 0; i < 4; ++i) {
    size_t position = (3 * i / length + 3 * i + 1) % length;
    k[i] = lumenrt::RotateRight8(static_cast<uint8_t>(key[position]), static_cast<unsigned>(i + 4));
  }
  return k;
}

namespace {

constexpr uint64_t kLow5 = 0x1F1F1F1F1F1F1F1Full;
constexpr uint64_t kLow3 = 0x0707070707070707ull;

// The key bytes repeated over 16 bytes; buffer offsets that are multiples of 4 start at k0.
lumenrt::Lanes KeyLanes(const uint8_t* k) {
  uint32_t w;
  std::memcpy(&w, k, 4);
  uint64_t q = (static_cast<uint64_t>(w) << 32) | w;
  return lumenrt::Lanes{q, q};
}

void QwikEncrypt(unsigned char* p, uint32_t n, const uint8_t* k) {
  const lumenrt::Lanes key = KeyLanes(k);
  uint32_t i = 0;
  for (; i + 16 <= n; i += 16) {
    lumenrt::Lanes t = lumenrt::LoadLanes(p + i) ^ key;
    lumenrt::StoreLanes(p + i, ((t >> 3) & kLow5) | ((t << 5) & ~kLow5));
  }
  for (; i < n; ++i) p[i] = lumenrt::RotateRight8(static_cast<uint8_t>(p[i] ^ k[i & 3]), 3);
}

void QwikDecrypt(unsigned char* p, uint32_t n, const uint8_t* k) {
  const lumenrt::Lanes key = KeyLanes(k);
  uint32_t i = 0;
  for (; i + 16 <= n; i += 16) {
    lumenrt::Lanes c = lumenrt::LoadLanes(p + i);
    lumenrt::StoreLanes(p + i, (((c << 3) & ~kLow3) | ((c >> 5) & kLow3)) ^ key);
  }
  for (; i < n; ++i) p[i] = static_cast<uint8_t>(lumenrt::RotateLeft8(p[i], 3) ^ k[i & 3]);
}

}  // namespace

void ZQwikCipher::DeriveKey(const char* key) { key_ = QwikKeyBytes(key, std::strlen(key)); }

int ZQwikCipher::Process(unsigned char* buffer, uint32_t length) {
  if (encrypting())
    QwikEncrypt(buffer, length, key_.data());
  else
    QwikDecrypt(buffer, length, key_.data());
  return 1;
}
