#include <cstring>

#include "lumenrt/crypto/block_ciphers.h"
#include "lumenrt/crypto/fixed_vectors.h"
#include "lumenrt/crypto/openssl_legacy.h"

struct ZTripleDesCipher::Schedules {
  lumenrt::ossl::DesKeySchedule first;
  lumenrt::ossl::DesKeySchedule second;
};

ZTripleDesCipher::ZTripleDesCipher() : DirectedCipher(4), schedules_(new Schedules{}) {}
ZTripleDesCipher::~ZTripleDesCipher() = default;

void ZTripleDesCipher::DeriveKey(const char* key) {
  // At most 63 characters in a zeroed 64-byte buffer, so the buffer always ends in a zero byte.
  char text[64] = {};
  std::memcpy(text, key, strnlen(key, sizeof text - 1));
  unsigned char digest[16];
  lumenrt::ossl::Md5(text, 8, digest);
  std::memcpy(text, digest, sizeof digest);
  // The routine reads the buffer as a C string: it stops at the digest's first zero byte, or runs on
  // into the key's characters from the 17th on.
  unsigned char k1[8], k2[8];
  lumenrt::ossl::DesStringTo2Keys(text, k1, k2);
  lumenrt::ossl::DesSchedule(k1, &schedules_->first);
  lumenrt::ossl::DesSchedule(k2, &schedules_->second);
}

int ZTripleDesCipher::Process(unsigned char* buffer, uint32_t length) {
  const int d = encrypting() ? lumenrt::ossl::kEncrypt : lumenrt::ossl::kDecrypt;
  const int against = d == lumenrt::ossl::kEncrypt ? lumenrt::ossl::kDecrypt : lumenrt::ossl::kEncrypt;
  const uint32_t whole = length - length % 8;
  struct Pass {
    lumenrt::ossl::DesKeySchedule* schedule;
    int enc;
  } const passes[3] = {{&schedules_->first, d}, {&schedules_->second, against}, {&schedules_->first, d}};
  for (const Pass& p : passes) {
    // Both steps of every pass start from the fixed vector; the chaining run hands nothing on.
    unsigned char iv[8];
    if (whole > 0) {
      std::memcpy(iv, lumenrt::kFixedVector8, 8);
      lumenrt::ossl::DesCbc(buffer, buffer, whole, p.schedule, iv, p.enc);
    }
    if (whole < length) {
      std::memcpy(iv, lumenrt::kFixedVector8, 8);
      int num = 0;
      lumenrt::ossl::DesCfb64(buffer + whole, buffer + whole, length - whole, p.schedule, iv, &num, p.enc);
    }
  }
  return 1;
}
