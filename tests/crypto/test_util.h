// Helpers shared by the cipher tests.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "lumenrt/crypto/zcipher.h"

namespace lumenrt::test {

using Bytes = std::vector<unsigned char>;

inline constexpr int kTypes[] = {1, 2, 3, 4, 5, 6, 8};

// A deterministic byte pattern that differs with the seed.
inline Bytes Pattern(size_t n, uint32_t seed = 1) {
  Bytes b(n);
  uint32_t x = seed * 2654435761u + 12345u;
  for (size_t i = 0; i < n; ++i) {
    x = x * 1103515245u + 12345u;
    b[i] = static_cast<unsigned char>(x >> 16);
  }
  return b;
}

inline std::unique_ptr<ZCipher> Make(int type, const char* key = nullptr, int direction = 1) {
  std::unique_ptr<ZCipher> c(CreateCipher(type));
  if (c && key) c->SetKey(direction, key);
  return c;
}

inline Bytes Encrypted(ZCipher& c, Bytes data) {
  c.Encrypt(data.data(), static_cast<uint32_t>(data.size()));
  return data;
}

inline Bytes Decrypted(ZCipher& c, Bytes data) {
  c.Decrypt(data.data(), static_cast<uint32_t>(data.size()));
  return data;
}

inline Bytes Processed(ZCipher& c, Bytes data) {
  c.Process(data.data(), static_cast<uint32_t>(data.size()));
  return data;
}

inline Bytes FromHex(const std::string& hex) {
  Bytes b;
  for (size_t i = 0; i + 1 < hex.size(); i += 2)
    b.push_back(static_cast<unsigned char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
  return b;
}

}  // namespace lumenrt::test
