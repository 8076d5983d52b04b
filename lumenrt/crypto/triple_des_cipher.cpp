#include <cstring>

#include <openssl/crypto.h>

#include "lumenrt/crypto/internal/block_ciphers.h"
#include "lumenrt/crypto/internal/fixed_vectors.h"
#include "lumenrt/crypto/internal/openssl_legacy.h"
#include "lumenrt/platform/internal/text_helpers.h"

struct ZTripleDesCipher::Schedules {
  lumenrt::ossl::DesKeySchedule first;
  lumenrt::ossl::DesKeySchedule second;
};

namespace {

using lumenrt::ossl::DesKeySchedule;

// The three chaining passes run block by block in one loop: pass 2 only needs pass 1's current and
// previous output and pass 3 likewise, so each block goes through all three before the next, while
// it is still in registers. Each step is OpenSSL's whole DES block function.

struct Pass {
  DesKeySchedule* schedule;
  int enc;
};

// One chaining step of a pass on block `d` with chaining value `chain`.
template <bool kEncrypt>
inline void ChainStep(uint32_t d[2], uint32_t chain[2], DesKeySchedule* schedule) {
  if constexpr (kEncrypt) {
    d[0] ^= chain[0];
    d[1] ^= chain[1];
    lumenrt::ossl::DesBlock(d, schedule, lumenrt::ossl::kEncrypt);
    chain[0] = d[0];
    chain[1] = d[1];
  } else {
    const uint32_t in0 = d[0], in1 = d[1];
    lumenrt::ossl::DesBlock(d, schedule, lumenrt::ossl::kDecrypt);
    d[0] ^= chain[0];
    d[1] ^= chain[1];
    chain[0] = in0;
    chain[1] = in1;
  }
}

// Passes: first schedule in direction kEncrypt, second against it, first again; each chains from
// the fixed vector.
template <bool kEncrypt>
void ChainInterleaved(unsigned char* buffer, uint32_t whole, DesKeySchedule* first, DesKeySchedule* second) {
  const uint32_t iv[2] = {lumenrt::LoadLittleEndian32(lumenrt::kFixedVector8),
                          lumenrt::LoadLittleEndian32(lumenrt::kFixedVector8 + 4)};
  uint32_t c1[2] = {iv[0], iv[1]}, c2[2] = {iv[0], iv[1]}, c3[2] = {iv[0], iv[1]};
  for (uint32_t i = 0; i < whole; i += 8) {
    uint32_t d[2] = {lumenrt::LoadLittleEndian32(buffer + i), lumenrt::LoadLittleEndian32(buffer + i + 4)};
    ChainStep<kEncrypt>(d, c1, first);
    ChainStep<!kEncrypt>(d, c2, second);
    ChainStep<kEncrypt>(d, c3, first);
    lumenrt::StoreLittleEndian32(buffer + i, d[0]);
    lumenrt::StoreLittleEndian32(buffer + i + 4, d[1]);
  }
}

}  // namespace

ZTripleDesCipher::ZTripleDesCipher() : DirectedCipher(4), schedules_(new Schedules{}) {}
ZTripleDesCipher::~ZTripleDesCipher() { OPENSSL_cleanse(schedules_.get(), sizeof *schedules_); }

void ZTripleDesCipher::DeriveKey(const char* key) {
  // At most 63 characters in a zeroed 64-byte buffer, so the buffer always ends in a zero byte.
  OPENSSL_cleanse(schedules_.get(), sizeof *schedules_);
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
  OPENSSL_cleanse(text, sizeof text);
  OPENSSL_cleanse(digest, sizeof digest);
  OPENSSL_cleanse(k1, sizeof k1);
  OPENSSL_cleanse(k2, sizeof k2);
}

int ZTripleDesCipher::Process(unsigned char* buffer, uint32_t length) {
  const int d = encrypting() ? lumenrt::ossl::kEncrypt : lumenrt::ossl::kDecrypt;
  const int against = d == lumenrt::ossl::kEncrypt ? lumenrt::ossl::kDecrypt : lumenrt::ossl::kEncrypt;
  const uint32_t whole = length - length % 8;
  const Pass passes[3] = {{&schedules_->first, d}, {&schedules_->second, against}, {&schedules_->first, d}};
  // Pass k over the whole blocks: chaining from the fixed vector under passes[k].
  if (whole > 0) {
    if (d == lumenrt::ossl::kEncrypt)
      ChainInterleaved<true>(buffer, whole, &schedules_->first, &schedules_->second);
    else
      ChainInterleaved<false>(buffer, whole, &schedules_->first, &schedules_->second);
  }
  // Then each pass's feedback over the remaining bytes, again from the fixed vector: the chaining run
  // hands nothing on.
  if (whole < length) {
    for (const Pass& p : passes) {
      unsigned char iv[8];
      std::memcpy(iv, lumenrt::kFixedVector8, 8);
      int num = 0;
      lumenrt::ossl::DesCfb64(buffer + whole, buffer + whole, length - whole, p.schedule, iv, &num, p.enc);
    }
  }
  return 1;
}
