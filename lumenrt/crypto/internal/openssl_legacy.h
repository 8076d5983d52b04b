// The one place that reaches OpenSSL's low-level DES, Blowfish and MD5 functions (internal).
//
// OpenSSL 3 deprecates these functions (and keeps DES and Blowfish in its legacy provider for the EVP
// interface). The ciphers need exactly the published block functions, key schedules, chaining and
// feedback modes and the MIT-compatible DES string-to-two-keys routine, which the low-level interface
// gives without loading a provider and without allocating, so they use it; the deprecation warnings
// are silenced here only (by OPENSSL_SUPPRESS_DEPRECATED when this header is the first to reach
// OpenSSL, and around the wrappers by a diagnostic pragma in any case). AES runs through EVP where that is
// faster (aes_cipher.cpp).
#pragma once

#ifndef OPENSSL_SUPPRESS_DEPRECATED
#define OPENSSL_SUPPRESS_DEPRECATED
#endif

#include <cstddef>
#include <cstdint>

#include <openssl/blowfish.h>
#include <openssl/des.h>
#include <openssl/md5.h>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"

namespace lumenrt::ossl {

using DesKeySchedule = DES_key_schedule;
using BlowfishKey = BF_KEY;

inline constexpr int kEncrypt = 1;
inline constexpr int kDecrypt = 0;

// MD5 digest of n bytes.
inline void Md5(const void* data, size_t n, unsigned char digest[16]) {
  MD5(static_cast<const unsigned char*>(data), n, digest);
}

// DES key schedule, parity and weak keys not checked.
inline void DesSchedule(const unsigned char key[8], DesKeySchedule* ks) {
  DES_set_key_unchecked(reinterpret_cast<const_DES_cblock*>(const_cast<unsigned char*>(key)), ks);
}

inline void DesEcb(const unsigned char in[8], unsigned char out[8], DesKeySchedule* ks, int enc) {
  DES_ecb_encrypt(reinterpret_cast<const_DES_cblock*>(const_cast<unsigned char*>(in)),
                  reinterpret_cast<DES_cblock*>(out), ks, enc);
}

// Two-key Triple DES in electronic codebook mode: encrypt k1, decrypt k2, encrypt k1.
inline void DesEde2Ecb(const unsigned char in[8], unsigned char out[8], DesKeySchedule* k1,
                       DesKeySchedule* k2) {
  DES_ecb3_encrypt(reinterpret_cast<const_DES_cblock*>(const_cast<unsigned char*>(in)),
                   reinterpret_cast<DES_cblock*>(out), k1, k2, k1, DES_ENCRYPT);
}

// DES on two 32-bit halves as DES_ecb_encrypt reads them (little-endian words), with IP and FP.
inline void DesBlock(uint32_t data[2], DesKeySchedule* ks, int enc) {
  DES_LONG d[2] = {data[0], data[1]};
  DES_encrypt1(d, ks, enc);
  data[0] = static_cast<uint32_t>(d[0]);
  data[1] = static_cast<uint32_t>(d[1]);
}

// DES cipher-block chaining over n bytes (a multiple of 8); iv is updated to the last ciphertext block.
inline void DesCbc(const unsigned char* in, unsigned char* out, size_t n, DesKeySchedule* ks,
                   unsigned char iv[8], int enc) {
  DES_ncbc_encrypt(in, out, static_cast<long>(n), ks, reinterpret_cast<DES_cblock*>(iv), enc);
}

// DES 64-bit cipher feedback over n bytes from iv, feedback position `*num`.
inline void DesCfb64(const unsigned char* in, unsigned char* out, size_t n, DesKeySchedule* ks,
                     unsigned char iv[8], int* num, int enc) {
  DES_cfb64_encrypt(in, out, static_cast<long>(n), ks, reinterpret_cast<DES_cblock*>(iv), num, enc);
}

// The MIT-compatible string-to-two-keys routine over a NUL-terminated string.
inline void DesStringTo2Keys(const char* str, unsigned char key1[8], unsigned char key2[8]) {
  DES_string_to_2keys(str, reinterpret_cast<DES_cblock*>(key1), reinterpret_cast<DES_cblock*>(key2));
}

inline void BlowfishSchedule(const unsigned char* key, int n, BlowfishKey* ks) { BF_set_key(ks, n, key); }

inline void BlowfishCbc(const unsigned char* in, unsigned char* out, size_t n, const BlowfishKey* ks,
                        unsigned char iv[8], int enc) {
  BF_cbc_encrypt(in, out, static_cast<long>(n), ks, iv, enc);
}

inline void BlowfishCfb64(const unsigned char* in, unsigned char* out, size_t n, const BlowfishKey* ks,
                          unsigned char iv[8], int* num, int enc) {
  BF_cfb64_encrypt(in, out, static_cast<long>(n), ks, iv, num, enc);
}

}  // namespace lumenrt::ossl

#pragma GCC diagnostic pop
