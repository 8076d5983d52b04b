#include "lumenrt/crypto/internal/simd_kernels.h"

#include <cstring>

#include "lumenrt/crypto/internal/byte_ops.h"
#include "lumenrt/crypto/internal/zcrypt1_cipher.h"

namespace lumenrt {
namespace {

constexpr uint64_t kLow5 = 0x1F1F1F1F1F1F1F1Full;
constexpr uint64_t kLow3 = 0x0707070707070707ull;

uint64_t KeyWord64(const uint8_t* k) {
  uint32_t w;
  std::memcpy(&w, k, 4);
  return (static_cast<uint64_t>(w) << 32) | w;
}

// Byte i of the result: byte 31 - i of v.
#define LUMENRT_REVERSE32                                                                                  \
  {                                                                                                        \
    31, 30, 29, 28, 27, 26, 25, 24, 23, 22, 21, 20, 19, 18, 17, 16, 15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, \
        4, 3, 2, 1, 0                                                                                      \
  }

#if defined(__x86_64__) && defined(__GNUC__)
#define LUMENRT_HAVE_AVX2_KERNELS 1

typedef uint64_t Q4 __attribute__((vector_size(32)));
typedef uint8_t B32 __attribute__((vector_size(32)));

// The 32 bytes in reverse order.
__attribute__((target("avx2"))) inline B32 Reversed(B32 v) {
#if defined(__clang__)
  return __builtin_shufflevector(v, v, 31, 30, 29, 28, 27, 26, 25, 24, 23, 22, 21, 20, 19, 18, 17, 16, 15, 14,
                                 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0);
#else
  const B32 reverse = LUMENRT_REVERSE32;
  return __builtin_shuffle(v, reverse);
#endif
}

__attribute__((target("avx2"))) inline Q4 LoadQ4(const unsigned char* p) {
  Q4 v;
  std::memcpy(&v, p, sizeof v);
  return v;
}
__attribute__((target("avx2"))) inline void StoreQ4(unsigned char* p, Q4 v) { std::memcpy(p, &v, sizeof v); }

__attribute__((target("avx2"))) void QwikEncryptAvx2(unsigned char* p, uint32_t n, const uint8_t* k) {
  const uint64_t q = KeyWord64(k);
  const Q4 key = {q, q, q, q};
  uint32_t i = 0;
  for (; n - i >= 64; i += 64) {
    Q4 t0 = LoadQ4(p + i) ^ key, t1 = LoadQ4(p + i + 32) ^ key;
    StoreQ4(p + i, ((t0 >> 3) & kLow5) | ((t0 << 5) & ~kLow5));
    StoreQ4(p + i + 32, ((t1 >> 3) & kLow5) | ((t1 << 5) & ~kLow5));
  }
  QwikEncryptPortable(p + i, n - i, k);
}

__attribute__((target("avx2"))) void QwikDecryptAvx2(unsigned char* p, uint32_t n, const uint8_t* k) {
  const uint64_t q = KeyWord64(k);
  const Q4 key = {q, q, q, q};
  uint32_t i = 0;
  for (; n - i >= 64; i += 64) {
    Q4 c0 = LoadQ4(p + i), c1 = LoadQ4(p + i + 32);
    StoreQ4(p + i, (((c0 << 3) & ~kLow3) | ((c0 >> 5) & kLow3)) ^ key);
    StoreQ4(p + i + 32, (((c1 << 3) & ~kLow3) | ((c1 >> 5) & kLow3)) ^ key);
  }
  QwikDecryptPortable(p + i, n - i, k);
}

__attribute__((target("avx2"))) inline B32 LoadB32(const unsigned char* p) {
  B32 v;
  std::memcpy(&v, p, sizeof v);
  return v;
}
__attribute__((target("avx2"))) inline void StoreB32(unsigned char* p, B32 v) {
  std::memcpy(p, &v, sizeof v);
}

// The 32 bytes at i and the 32 bytes that end at m - 1 - i are handled together: with i a multiple of
// 32, the even bytes of the first block trade places with the odd bytes of the second, reversed. The
// middle bytes that no such pair of blocks covers go the portable way.
__attribute__((target("avx2"))) void ZCrypt1ChunkAvx2(unsigned char* p, uint32_t m,
                                                      const unsigned char* stream, bool encrypt) {
  const B32 even = {0xFF, 0, 0xFF, 0, 0xFF, 0, 0xFF, 0, 0xFF, 0, 0xFF, 0, 0xFF, 0, 0xFF, 0,
                    0xFF, 0, 0xFF, 0, 0xFF, 0, 0xFF, 0, 0xFF, 0, 0xFF, 0, 0xFF, 0, 0xFF, 0};
  const uint32_t half = m / 2;
  uint32_t i = 0;
  for (; i + 32 <= half; i += 32) {
    const uint32_t j = m - 32 - i;
    B32 a = LoadB32(p + i), b = LoadB32(p + j);
    const B32 sa = LoadB32(stream + i), sb = LoadB32(stream + j);
    if (!encrypt) {
      a ^= sa;
      b ^= sb;
    }
    const B32 ra = Reversed(a), rb = Reversed(b);
    B32 na = (a & ~even) | (rb & even);
    B32 nb = (b & even) | (ra & ~even);
    if (encrypt) {
      na ^= sa;
      nb ^= sb;
    }
    StoreB32(p + i, na);
    StoreB32(p + j, nb);
  }
  // The middle bytes [i, m - i): still pairs (i', m - 1 - i') with i' from i on.
  unsigned char* mid = p + i;
  const uint32_t rest = m - 2 * i;
  if (!encrypt) XorInto(mid, stream + i, rest);
  for (uint32_t x = i; x < half; x += 2) {
    unsigned char t = p[x];
    p[x] = p[m - 1 - x];
    p[m - 1 - x] = t;
  }
  if (encrypt) XorInto(mid, stream + i, rest);
}

#endif

StreamKernels Choose() {
#ifdef LUMENRT_HAVE_AVX2_KERNELS
  __builtin_cpu_init();
  if (__builtin_cpu_supports("avx2")) return {QwikEncryptAvx2, QwikDecryptAvx2, ZCrypt1ChunkAvx2};
#endif
  return {QwikEncryptPortable, QwikDecryptPortable, ZCrypt1ChunkPortable};
}

}  // namespace

void QwikEncryptPortable(unsigned char* p, uint32_t n, const uint8_t* k) {
  const uint64_t q = KeyWord64(k);
  const Lanes key = {q, q};
  uint32_t i = 0;
  for (; n - i >= 16; i += 16) {
    Lanes t = LoadLanes(p + i) ^ key;
    StoreLanes(p + i, ((t >> 3) & kLow5) | ((t << 5) & ~kLow5));
  }
  for (; i < n; ++i) p[i] = RotateRight8(static_cast<uint8_t>(p[i] ^ k[i & 3]), 3);
}

void QwikDecryptPortable(unsigned char* p, uint32_t n, const uint8_t* k) {
  const uint64_t q = KeyWord64(k);
  const Lanes key = {q, q};
  uint32_t i = 0;
  for (; n - i >= 16; i += 16) {
    Lanes c = LoadLanes(p + i);
    StoreLanes(p + i, (((c << 3) & ~kLow3) | ((c >> 5) & kLow3)) ^ key);
  }
  for (; i < n; ++i) p[i] = static_cast<uint8_t>(RotateLeft8(p[i], 3) ^ k[i & 3]);
}

void ZCrypt1ChunkPortable(unsigned char* p, uint32_t m, const unsigned char* stream, bool encrypt) {
  if (encrypt) MirrorSwap(p, m);
  XorInto(p, stream, m);
  if (!encrypt) MirrorSwap(p, m);
}

const StreamKernels& Kernels() {
  static const StreamKernels kernels = Choose();
  return kernels;
}

}  // namespace lumenrt
