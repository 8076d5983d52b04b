#include "lumenrt/crypto/zcipher.h"

#include "lumenrt/crypto/internal/block_ciphers.h"
#include "lumenrt/crypto/internal/qwik_cipher.h"
#include "lumenrt/crypto/internal/zcrypt1_cipher.h"

ZCipher::~ZCipher() = default;

namespace lumenrt {

const CipherInfo kCipherTable[kCipherCount] = {
    {1, 0, "DES (56-bit)", "DES", 56, 400},
    {2, 1, "Qwik (8-bit)", "Qwik", 8, 1000},
    {3, 2, "ZCrypt1 (32-bit)", "ZCrypt1", 32, 750},
    {4, 3, "Blowfish (128-bit)", "Blowfish128", 128, 300},
    {5, 4, "TripleDES (112-bit)", "TRIPLEDES", 112, 200},
    {6, 5, "Blowfish (56-bit)", "Blowfish56", 56, 500},
    {8, 6, "AES (128-bit)", "AES", 128, 350},
};

const CipherInfo* FindCipherByType(int type) {
  for (const CipherInfo& info : kCipherTable)
    if (info.type == type) return &info;
  return nullptr;
}

}  // namespace lumenrt

ZCipher* CreateCipherById(int id) {
  switch (id) {
    case 0:
      return new ZDesCipher;
    case 1:
      return new ZQwikCipher;
    case 2:
      return new ZCrypt1Cipher;
    case 3:
      return new ZBlowfish128Cipher;
    case 4:
      return new ZTripleDesCipher;
    case 5:
      return new ZBlowfish56Cipher;
    case 6:
      return new ZAesCipher;
    default:
      return nullptr;
  }
}

ZCipher* CreateCipher(int type) {
  const lumenrt::CipherInfo* info = lumenrt::FindCipherByType(type);
  return info == nullptr ? nullptr : CreateCipherById(info->id);
}
