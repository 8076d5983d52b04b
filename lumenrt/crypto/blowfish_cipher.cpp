#include <cstring>

#include <openssl/crypto.h>

#include "lumenrt/crypto/internal/block_ciphers.h"
#include "lumenrt/crypto/internal/fixed_vectors.h"
#include "lumenrt/crypto/internal/openssl_legacy.h"

namespace lumenrt {

struct BlowfishCipher::Schedule {
  ossl::BlowfishKey key;
};

BlowfishCipher::BlowfishCipher(int id, int key_bytes)
    : DirectedCipher(id), key_bytes_(key_bytes), schedule_(new Schedule{}) {}
BlowfishCipher::~BlowfishCipher() { OPENSSL_cleanse(schedule_.get(), sizeof *schedule_); }

void BlowfishCipher::DeriveKey(const char* key) {
  OPENSSL_cleanse(schedule_.get(), sizeof *schedule_);
  unsigned char digest[16];
  ossl::Md5(key, std::strlen(key), digest);
  ossl::BlowfishSchedule(digest, key_bytes_, &schedule_->key);
  OPENSSL_cleanse(digest, sizeof digest);
}

int BlowfishCipher::Process(unsigned char* buffer, uint32_t length) {
  const int enc = encrypting() ? ossl::kEncrypt : ossl::kDecrypt;
  const uint32_t whole = length - length % 8;
  // The chaining run leaves its last ciphertext block in the working vector, and the feedback over
  // the remaining bytes continues from there.
  unsigned char iv[8];
  std::memcpy(iv, kFixedVector8, 8);
  if (whole > 0) ossl::BlowfishCbc(buffer, buffer, whole, &schedule_->key, iv, enc);
  if (whole < length) {
    int num = 0;
    ossl::BlowfishCfb64(buffer + whole, buffer + whole, length - whole, &schedule_->key, iv, &num, enc);
  }
  return 1;
}

}  // namespace lumenrt
