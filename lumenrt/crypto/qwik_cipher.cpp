#include "lumenrt/crypto/internal/qwik_cipher.h"

#include <cstring>

#include <openssl/crypto.h>

#include "lumenrt/crypto/internal/byte_ops.h"
#include "lumenrt/crypto/internal/simd_kernels.h"

std::array<uint8_t, 4> QwikKeyBytes(const char* key, size_t length) {
  std::array<uint8_t, 4> k{};
  if (key == nullptr || length == 0) return k;
  for (size_t i = 0; i < 4; ++i) {
    size_t position = (3 * i / length + 3 * i + 1) % length;
    k[i] = lumenrt::RotateRight8(static_cast<uint8_t>(key[position]), static_cast<unsigned>(i + 4));
  }
  return k;
}

ZQwikCipher::~ZQwikCipher() { OPENSSL_cleanse(key_.data(), key_.size()); }

void ZQwikCipher::DeriveKey(const char* key) {
  OPENSSL_cleanse(key_.data(), key_.size());
  key_ = QwikKeyBytes(key, std::strlen(key));
}

int ZQwikCipher::Process(unsigned char* buffer, uint32_t length) {
  const lumenrt::StreamKernels& k = lumenrt::Kernels();
  (encrypting() ? k.qwik_encrypt : k.qwik_decrypt)(buffer, length, key_.data());
  return 1;
}
