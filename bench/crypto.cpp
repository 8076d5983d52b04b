// Speed of the ciphers on 64 KiB buffers, side by side with OpenSSL's EVP ciphers and a plain XOR
// pass in the same run, and the cost of one password decode (create, key, decipher, delete).
//
// Compare: Aes with EVP_aes_128_cbc, Blowfish128/Blowfish56 with EVP_bf_cbc, Des with EVP_des_ecb,
// TripleDes with EVP_des_ede_cbc (each per direction); Qwik and ZCrypt1 with PlainXor.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>
#include <openssl/evp.h>
#include <openssl/provider.h>

#include "lumenrt/crypto/password.h"
#include "lumenrt/crypto/zcipher.h"

namespace {

constexpr size_t kBuffer = 64 * 1024;

std::vector<unsigned char> Buffer() {
  std::vector<unsigned char> b(kBuffer);
  for (size_t i = 0; i < b.size(); ++i) b[i] = static_cast<unsigned char>(i * 2654435761u >> 13);
  return b;
}

void PlainXor(benchmark::State& state) {
  auto buffer = Buffer();
  for (auto _ : state) {
    unsigned char* p = buffer.data();
    for (size_t i = 0; i < kBuffer; ++i) p[i] ^= 0x5A;
    benchmark::DoNotOptimize(p);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kBuffer));
}
BENCHMARK(PlainXor);

// state.range(0): cipher type; state.range(1): 1 encrypt, 0 decrypt.
void Cipher(benchmark::State& state) {
  const int type = static_cast<int>(state.range(0));
  const bool encrypt = state.range(1) != 0;
  std::unique_ptr<ZCipher> cipher(CreateCipher(type));
  cipher->SetKey(encrypt ? 1 : 0, "benchmark key");
  state.SetLabel(cipher->GetShortName() + (encrypt ? " encrypt" : " decrypt"));
  auto buffer = Buffer();
  for (auto _ : state) {
    cipher->Process(buffer.data(), kBuffer);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kBuffer));
}
BENCHMARK(Cipher)->ArgsProduct({{1, 2, 3, 4, 5, 6, 8}, {1, 0}});

const char* const kEvpNames[] = {"AES-128-CBC", "BF-CBC", "DES-ECB", "DES-EDE-CBC"};

// state.range(0): index into kEvpNames; state.range(1): 1 encrypt, 0 decrypt.
void Evp(benchmark::State& state) {
  static OSSL_PROVIDER* legacy = OSSL_PROVIDER_load(nullptr, "legacy");
  static OSSL_PROVIDER* fallback = OSSL_PROVIDER_load(nullptr, "default");
  (void)legacy;
  (void)fallback;
  const char* name = kEvpNames[state.range(0)];
  const int enc = static_cast<int>(state.range(1));
  EVP_CIPHER* cipher = EVP_CIPHER_fetch(nullptr, name, nullptr);
  if (cipher == nullptr) {
    state.SkipWithError("cipher not available");
    return;
  }
  EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
  unsigned char key[32] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
  unsigned char iv[16] = {};
  EVP_CipherInit_ex(ctx, cipher, nullptr, nullptr, nullptr, enc);
  EVP_CIPHER_CTX_set_key_length(ctx, EVP_CIPHER_get_key_length(cipher));
  EVP_CipherInit_ex(ctx, nullptr, nullptr, key, iv, enc);
  EVP_CIPHER_CTX_set_padding(ctx, 0);
  state.SetLabel(std::string(name) + (enc ? " encrypt" : " decrypt"));
  auto buffer = Buffer();
  for (auto _ : state) {
    int out = 0;
    EVP_CipherInit_ex(ctx, nullptr, nullptr, nullptr, iv, -1);
    EVP_CipherUpdate(ctx, buffer.data(), &out, buffer.data(), static_cast<int>(kBuffer));
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kBuffer));
  EVP_CIPHER_CTX_free(ctx);
  EVP_CIPHER_free(cipher);
}
BENCHMARK(Evp)->ArgsProduct({{0, 1, 2, 3}, {1, 0}});

void PasswordDecode(benchmark::State& state) {
  // The 32 stored bytes of the obscured form's 64 hexadecimal digits.
  const std::string hex = EncodePassword("correct horse battery", 77);
  unsigned char stored[32];
  for (size_t i = 0; i < sizeof stored; ++i) {
    stored[i] = static_cast<unsigned char>(std::stoul(hex.substr(2 * i, 2), nullptr, 16));
  }
  unsigned char text[32];
  for (auto _ : state) {
    DecodePassword(stored, nullptr, -1, 32, text);
    benchmark::DoNotOptimize(text);
  }
}
BENCHMARK(PasswordDecode);

}  // namespace

BENCHMARK_MAIN();
