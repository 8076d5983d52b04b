#include <cstring>

#include "lumenrt/crypto/block_ciphers.h"
#include "lumenrt/crypto/fixed_vectors.h"
#include "lumenrt/crypto/openssl_legacy.h"

struct ZTripleDesCipher::Schedules {
  lumenrt::ossl::DesKeySchedule first;
  lumenrt::ossl::DesKeySchedule second;
};

namespace {

using lumenrt::ossl::DesKeySchedule;

// The three chaining passes run block by block in one loop: pass 2 only needs pass 1's current and
// previous output and pass 3 likewise, so each block goes through all three before the next. The
// blocks stay between the initial and final DES permutations (IP, FP) throughout; both are bit
// permutations and so commute with the chaining XOR, which saves two of the three IP/FP pairs.

void PermOp(uint32_t& a, uint32_t& b, int n, uint32_t m) {
  uint32_t t = ((a >> n) ^ b) & m;
  b ^= t;
  a ^= t << n;
}

// IP and FP on the two little-endian words of a block, as OpenSSL's DES_encrypt1 applies them around
// DES_encrypt2.
void InitialPermutation(uint32_t d[2]) {
  uint32_t& l = d[0];
  uint32_t& r = d[1];
  PermOp(r, l, 4, 0x0f0f0f0fu);
  PermOp(l, r, 16, 0x0000ffffu);
  PermOp(r, l, 2, 0x33333333u);
  PermOp(l, r, 8, 0x00ff00ffu);
  PermOp(r, l, 1, 0x55555555u);
}

void FinalPermutation(uint32_t d[2]) {
  uint32_t& l = d[1];
  uint32_t& r = d[0];
  PermOp(l, r, 1, 0x55555555u);
  PermOp(r, l, 8, 0x00ff00ffu);
  PermOp(l, r, 2, 0x33333333u);
  PermOp(r, l, 16, 0x0000ffffu);
  PermOp(l, r, 4, 0x0f0f0f0fu);
}

uint32_t LoadLittle(const unsigned char* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
         static_cast<uint32_t>(p[3]) << 24;
}
void StoreLittle(unsigned char* p, uint32_t v) {
  p[0] = static_cast<unsigned char>(v);
  p[1] = static_cast<unsigned char>(v >> 8);
  p[2] = static_cast<unsigned char>(v >> 16);
  p[3] = static_cast<unsigned char>(v >> 24);
}

// Whether IP, DES_encrypt2, FP here equals DES_encrypt1 (checked once; the three-pass path serves
// otherwise).
bool CheckPermutations() {
  unsigned char key[8] = {0x13, 0x34, 0x57, 0x79, 0x9B, 0xBC, 0xDF, 0xF1};
  DesKeySchedule ks;
  lumenrt::ossl::DesSchedule(key, &ks);
  for (uint32_t seed = 1; seed < 40; ++seed) {
    uint32_t a[2] = {seed * 0x9E3779B9u, seed * 0x85EBCA6Bu ^ 0xFFFF0000u};
    uint32_t b[2] = {a[0], a[1]};
    lumenrt::ossl::DesBlock(a, &ks, seed & 1);
    InitialPermutation(b);
    lumenrt::ossl::DesRounds(b, &ks, seed & 1);
    FinalPermutation(b);
    if (a[0] != b[0] || a[1] != b[1]) return false;
  }
  return true;
}

bool FusedPathWorks() {
  static const bool works = CheckPermutations();
  return works;
}

struct Pass {
  DesKeySchedule* schedule;
  int enc;
};

void ChainFused(unsigned char* buffer, uint32_t whole, const Pass (&passes)[3]) {
  uint32_t iv[2] = {LoadLittle(lumenrt::kFixedVector8), LoadLittle(lumenrt::kFixedVector8 + 4)};
  InitialPermutation(iv);
  uint32_t chain[3][2];
  for (auto& c : chain) {
    c[0] = iv[0];
    c[1] = iv[1];
  }
  for (uint32_t i = 0; i < whole; i += 8) {
    uint32_t d[2] = {LoadLittle(buffer + i), LoadLittle(buffer + i + 4)};
    InitialPermutation(d);
    for (int k = 0; k < 3; ++k) {
      const Pass& p = passes[k];
      if (p.enc == lumenrt::ossl::kEncrypt) {
        d[0] ^= chain[k][0];
        d[1] ^= chain[k][1];
        lumenrt::ossl::DesRounds(d, p.schedule, p.enc);
        chain[k][0] = d[0];
        chain[k][1] = d[1];
      } else {
        const uint32_t in0 = d[0], in1 = d[1];
        lumenrt::ossl::DesRounds(d, p.schedule, p.enc);
        d[0] ^= chain[k][0];
        d[1] ^= chain[k][1];
        chain[k][0] = in0;
        chain[k][1] = in1;
      }
    }
    FinalPermutation(d);
    StoreLittle(buffer + i, d[0]);
    StoreLittle(buffer + i + 4, d[1]);
  }
}

void ChainThreePasses(unsigned char* buffer, uint32_t whole, const Pass (&passes)[3]) {
  for (const Pass& p : passes) {
    unsigned char iv[8];
    std::memcpy(iv, lumenrt::kFixedVector8, 8);
    lumenrt::ossl::DesCbc(buffer, buffer, whole, p.schedule, iv, p.enc);
  }
}

}  // namespace

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
  const Pass passes[3] = {{&schedules_->first, d}, {&schedules_->second, against}, {&schedules_->first, d}};
  // Pass k over the whole blocks: chaining from the fixed vector under passes[k].
  if (whole > 0) {
    if (FusedPathWorks())
      ChainFused(buffer, whole, passes);
    else
      ChainThreePasses(buffer, whole, passes);
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

namespace lumenrt {
bool TripleDesRunsFused() { return FusedPathWorks(); }
}  // namespace lumenrt
