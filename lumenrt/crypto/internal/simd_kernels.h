// The byte loops of Qwik and ZCrypt1, in a portable form and, where the processor has AVX2, in a
// 32-byte vector form chosen once at run time (internal). Both forms give the same bytes.
#pragma once

#include <cstdint>

namespace lumenrt {

struct StreamKernels {
  // Qwik over n bytes with key bytes k[0..3], k[0] at offset 0.
  void (*qwik_encrypt)(unsigned char* p, uint32_t n, const uint8_t* k);
  void (*qwik_decrypt)(unsigned char* p, uint32_t n, const uint8_t* k);
  // One ZCrypt1 chunk of m bytes with its keystream: MirrorSwap then XOR to encrypt, XOR then
  // MirrorSwap to decrypt.
  void (*zcrypt1_chunk)(unsigned char* p, uint32_t m, const unsigned char* stream, bool encrypt);
};

const StreamKernels& Kernels();

// The portable forms, also used by the vector forms for their last bytes.
void QwikEncryptPortable(unsigned char* p, uint32_t n, const uint8_t* k);
void QwikDecryptPortable(unsigned char* p, uint32_t n, const uint8_t* k);
void ZCrypt1ChunkPortable(unsigned char* p, uint32_t m, const unsigned char* stream, bool encrypt);

}  // namespace lumenrt
