#include "lumenrt/crypto/password.h"

#include <cstring>
#include <memory>

#include <openssl/rand.h>

#include "lumenrt/crypto/internal/password_bytes.h"
#include "lumenrt/crypto/internal/zcrypt1_cipher.h"
#include "lumenrt/crypto/zcipher.h"
#include "lumenrt/platform/internal/text_helpers.h"

namespace lumenrt {

void ModifyPasswordKey(const char* key, bool apply, unsigned char modifier, char out[kMaxPasswordKey + 1]) {
  std::memset(out, 0, kMaxPasswordKey + 1);
  const size_t n = strnlen(key, kMaxPasswordKey);
  std::memcpy(out, key, n);
  if (apply)
    for (size_t i = 0; i < n; ++i) out[i] = static_cast<char>(static_cast<unsigned char>(out[i]) ^ modifier);
}

namespace {

void SetError(std::string* error, std::string text) {
  if (error != nullptr) *error = std::move(text);
}

// Whether XORing the default key with `modifier` leaves every character nonzero.
bool KeepsWholeKey(unsigned char modifier) {
  for (const char* p = kDefaultPasswordKey; *p != '\0'; ++p)
    if (static_cast<unsigned char>(*p) == modifier) return false;
  return true;
}

}  // namespace

std::optional<StoredPasswordBytes> HexToPasswordBytes(std::string_view hex, std::string* error) {
  if (hex.size() != kStoredPasswordHexDigits) {
    SetError(error, "an obscured password is 64 hexadecimal digits, not " + std::to_string(hex.size()) +
                        " characters");
    return std::nullopt;
  }
  StoredPasswordBytes bytes{};
  if (size_t bad = HexDecode(hex, bytes.data()); bad != std::string_view::npos) {
    SetError(error,
             "character " + std::to_string(bad + 1) + " of an obscured password is not a hexadecimal digit");
    return std::nullopt;
  }
  return bytes;
}

std::string PasswordBytesToHex(const StoredPasswordBytes& bytes) {
  return HexEncode(bytes.data(), bytes.size());
}

std::optional<std::string> DecodeStoredPassword(std::string_view hex, std::string* error) {
  auto bytes = HexToPasswordBytes(hex, error);
  if (!bytes) return std::nullopt;
  char text[kStoredPasswordBytes];
  DecodePassword(bytes->data(), nullptr, -1, kStoredPasswordBytes, text);
  return std::string(text);
}

}  // namespace lumenrt

void DecodePasswordWithCipher(int type, const void* source, const char* key, int mode, uint32_t length,
                              void* destination) {
  if (length == 0 || source == nullptr || destination == nullptr) return;
  const auto* src = static_cast<const unsigned char*>(source);
  auto* dst = static_cast<unsigned char*>(destination);
  if (key == nullptr) key = lumenrt::kDefaultPasswordKey;
  if (mode == -1) mode = 3;
  const bool modified = mode >= 2;
  char work[lumenrt::kMaxPasswordKey + 1];
  // The modifier is read before the copy, since the destination may be the source.
  lumenrt::ModifyPasswordKey(key, modified, src[length - 1], work);
  std::memmove(dst, src, length);
  std::unique_ptr<ZCipher> cipher(CreateCipher(type));
  if (!cipher) {
    std::memset(dst, 0, length);
    return;
  }
  cipher->SetKey(0, work);  // an empty work key is refused and the cipher stays unkeyed
  cipher->Process(dst, modified ? length - 1 : length);
  dst[length - 1] = 0;
}

void DecodePassword(const void* source, const char* key, int mode, uint32_t length, void* destination) {
  DecodePasswordWithCipher(lumenrt::kPasswordCipherType, source, key, mode, length, destination);
}

std::string EncodePassword(std::string_view text, int modifier, std::string* error) {
  using namespace lumenrt;
  if (text.size() > kMaxPasswordText) {
    SetError(error, "a password to obscure has at most 31 characters, not " + std::to_string(text.size()));
    return {};
  }
  if (text.find('\0') != std::string_view::npos) {
    SetError(error, "a password to obscure cannot hold a zero byte");
    return {};
  }
  if (modifier < -1 || modifier > 255) {
    SetError(error, "the key modifier must be 0 to 255, not " + std::to_string(modifier));
    return {};
  }
  StoredPasswordBytes bytes{};
  if (modifier == -1) {
    // Random padding after the terminating zero, and a random modifier that keeps the whole key.
    unsigned char draw = 0;
    bool ok = RAND_bytes(bytes.data(), static_cast<int>(bytes.size())) == 1;
    while (ok && !KeepsWholeKey(draw = bytes[kStoredPasswordBytes - 1]))
      ok = RAND_bytes(&bytes[kStoredPasswordBytes - 1], 1) == 1;
    if (!ok) {
      SetError(error, "the random source failed");
      return {};
    }
    modifier = draw;
  }
  std::memcpy(bytes.data(), text.data(), text.size());
  if (text.size() < kMaxPasswordText) bytes[text.size()] = 0;
  bytes[kStoredPasswordBytes - 1] = static_cast<unsigned char>(modifier);

  char work[kMaxPasswordKey + 1];
  ModifyPasswordKey(kDefaultPasswordKey, true, static_cast<unsigned char>(modifier), work);
  ZCrypt1Cipher cipher;
  cipher.SetKey(1, work);  // refused when the key comes out empty: then the unkeyed cipher is used
  cipher.Encrypt(bytes.data(), kStoredPasswordBytes - 1);
  return PasswordBytesToHex(bytes);
}
