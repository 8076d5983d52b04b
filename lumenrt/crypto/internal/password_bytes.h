// The 32 bytes of a stored password and the work key of password decoding, as password obscuring
// (lumenrt/crypto/password.h) handles them.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "lumenrt/crypto/password.h"

namespace lumenrt {

using StoredPasswordBytes = std::array<unsigned char, kStoredPasswordBytes>;

// The 32 bytes of exactly 64 hexadecimal digits (either case), or nothing with `*error` (when given)
// saying what is wrong: the length, or the first character that is not a hexadecimal digit.
std::optional<StoredPasswordBytes> HexToPasswordBytes(std::string_view hex, std::string* error = nullptr);

// The 64 upper-case hexadecimal digits of 32 bytes.
std::string PasswordBytesToHex(const StoredPasswordBytes& bytes);

// The work key of password decoding: at most 79 characters of `key`, every character XORed with
// `modifier` (when `apply` is set), ending at the first zero. `out` receives a NUL-terminated text.
void ModifyPasswordKey(const char* key, bool apply, unsigned char modifier, char out[kMaxPasswordKey + 1]);

}  // namespace lumenrt
