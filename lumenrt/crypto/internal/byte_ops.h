// Small byte helpers shared by the ciphers (internal): rotations within a byte, unaligned word loads
// and stores, and a wide XOR of one buffer into another. All are inline and allocation-free.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace lumenrt {

constexpr uint8_t RotateRight8(uint8_t b, unsigned n) {
  n &= 7;
  return static_cast<uint8_t>((b >> n) | (b << ((8 - n) & 7)));
}
constexpr uint8_t RotateLeft8(uint8_t b, unsigned n) { return RotateRight8(b, (8 - (n & 7)) & 7); }

// Sixteen bytes as two 64-bit lanes; the compiler maps the operations to vector instructions.
typedef uint64_t Lanes __attribute__((vector_size(16)));

inline Lanes LoadLanes(const unsigned char* p) {
  Lanes v;
  std::memcpy(&v, p, sizeof v);
  return v;
}
inline void StoreLanes(unsigned char* p, Lanes v) { std::memcpy(p, &v, sizeof v); }

inline uint64_t Load64(const unsigned char* p) {
  uint64_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
}
inline void Store64(unsigned char* p, uint64_t v) { std::memcpy(p, &v, sizeof v); }

// data[i] ^= stream[i] for i < n.
inline void XorInto(unsigned char* data, const unsigned char* stream, size_t n) {
  size_t i = 0;
  for (; i + 32 <= n; i += 32) {
    StoreLanes(data + i, LoadLanes(data + i) ^ LoadLanes(stream + i));
    StoreLanes(data + i + 16, LoadLanes(data + i + 16) ^ LoadLanes(stream + i + 16));
  }
  for (; i < n; ++i) data[i] ^= stream[i];
}

}  // namespace lumenrt
