#include <cstring>
#include <new>

#include <openssl/crypto.h>
#include <openssl/evp.h>

#include "lumenrt/crypto/internal/block_ciphers.h"
#include "lumenrt/crypto/internal/byte_ops.h"
#include "lumenrt/crypto/internal/fixed_vectors.h"
#include "lumenrt/crypto/internal/openssl_legacy.h"

// The whole blocks run through OpenSSL's EVP AES-128-CBC without padding, which uses the processor's
// AES instructions where it has them. The two contexts are keyed once per SetKey; each call only
// resets the vector, so processing allocates nothing.
struct ZAesCipher::Context {
  unsigned char direction = 1;
  bool keyed = false;  // both schedules ready
  EVP_CIPHER_CTX* encrypt = nullptr;
  EVP_CIPHER_CTX* decrypt = nullptr;

  Context() {
    encrypt = EVP_CIPHER_CTX_new();
    decrypt = EVP_CIPHER_CTX_new();
    if (encrypt == nullptr || decrypt == nullptr) {
      Release();
      throw std::bad_alloc();
    }
  }
  ~Context() { Release(); }
  Context(const Context&) = delete;
  Context& operator=(const Context&) = delete;

  void Release() {
    EVP_CIPHER_CTX_free(encrypt);
    EVP_CIPHER_CTX_free(decrypt);
    encrypt = decrypt = nullptr;
  }
};

ZAesCipher::ZAesCipher() : CipherBase(6), context_(new Context) {}
ZAesCipher::~ZAesCipher() = default;

bool ZAesCipher::encrypting() const { return context_->direction != 0; }

int ZAesCipher::SetKey(int direction, const char* key) {
  if (!context_ || key == nullptr || key[0] == '\0') return 0;
  context_->direction = static_cast<unsigned char>(direction & 0xFF);
  return SetKey(key);
}

int ZAesCipher::SetKey(const char* key) {
  if (!context_ || key == nullptr || key[0] == '\0') return 0;
  unsigned char digest[16];
  lumenrt::ossl::Md5(key, std::strlen(key), digest);
  const EVP_CIPHER* aes = EVP_aes_128_cbc();
  Context& c = *context_;
  c.keyed = false;
  bool ok = EVP_EncryptInit_ex(c.encrypt, aes, nullptr, digest, lumenrt::kFixedVector16) == 1 &&
            EVP_DecryptInit_ex(c.decrypt, aes, nullptr, digest, lumenrt::kFixedVector16) == 1 &&
            EVP_CIPHER_CTX_set_padding(c.encrypt, 0) == 1 && EVP_CIPHER_CTX_set_padding(c.decrypt, 0) == 1;
  OPENSSL_cleanse(digest, sizeof digest);
  if (!ok) throw std::bad_alloc();  // OpenSSL fails here only when it cannot allocate
  c.keyed = true;
  return 1;
}

namespace {

// Runs n bytes (a multiple of 16) through a keyed context from the fixed vector.
void RunBlocks(EVP_CIPHER_CTX* ctx, unsigned char* buffer, uint32_t n) {
  if (n == 0) return;
  EVP_CipherInit_ex(ctx, nullptr, nullptr, nullptr, lumenrt::kFixedVector16, -1);
  // EVP takes an int length; the context carries the chaining value from one piece to the next.
  constexpr uint32_t kPiece = 1u << 30;
  for (uint32_t done = 0; done < n;) {
    const uint32_t piece = n - done < kPiece ? n - done : kPiece;
    int out = 0;
    EVP_CipherUpdate(ctx, buffer + done, &out, buffer + done, static_cast<int>(piece));
    done += piece;
  }
}

}  // namespace

int ZAesCipher::Encrypt(unsigned char* buffer, uint32_t length) {
  const uint32_t whole = length - length % 16;
  if (context_->keyed) {
    RunBlocks(context_->encrypt, buffer, whole);
  } else {
    // No schedule yet: the chaining XOR alone.
    const unsigned char* previous = lumenrt::kFixedVector16;
    for (uint32_t i = 0; i < whole; i += 16) {
      lumenrt::XorInto(buffer + i, previous, 16);
      previous = buffer + i;
    }
  }
  TailRotate(buffer + whole, length - whole, true);
  return 1;
}

int ZAesCipher::Decrypt(unsigned char* buffer, uint32_t length) {
  const uint32_t whole = length - length % 16;
  if (context_->keyed) {
    RunBlocks(context_->decrypt, buffer, whole);
  } else {
    unsigned char previous[16], current[16];
    std::memcpy(previous, lumenrt::kFixedVector16, 16);
    for (uint32_t i = 0; i < whole; i += 16) {
      std::memcpy(current, buffer + i, 16);
      lumenrt::XorInto(buffer + i, previous, 16);
      std::memcpy(previous, current, 16);
    }
  }
  TailRotate(buffer + whole, length - whole, false);
  return 1;
}

int ZAesCipher::Process(unsigned char* buffer, uint32_t length) {
  return encrypting() ? Encrypt(buffer, length) : Decrypt(buffer, length);
}
