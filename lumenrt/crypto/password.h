// Password obscuring: decoding and encoding the obscured passwords of the configuration files.
//
// Stored form: 64 hexadecimal digits, the codes of 32 bytes. Bytes 0 to 30 hold the password text
// (at most 31 characters), followed by a zero byte when it is shorter (what follows that zero does
// not matter), enciphered as one 31-byte buffer by ZCrypt1 in the encrypt direction under the default
// key with every character XORed with byte 31, the modifier. A character that the XOR turns into zero
// ends the key there; a key that comes out empty leaves ZCrypt1 unkeyed (key word zero).
//
// `DecodePasswordWithCipher(type, source, key, mode, length, destination)`: copies `length` source
// bytes to `destination` (which may be the source itself), deciphers them with a cipher of `type`
// under `key` (NUL-terminated, at most 79 characters are used; null: the default key), then sets
// destination[length - 1] to zero, so the destination holds a NUL-terminated text. Mode -1 means 3; a
// mode of 2 or more takes the last source byte as the key modifier and deciphers only the first
// length - 1 bytes; other modes decipher all bytes with the key unchanged. A length of 0 does nothing;
// a type without a cipher zero-fills the destination. Nothing is reported; any thread may call it.
//
// `DecodePassword(source, key, mode, length, destination)`: the same with ZCrypt1 (type 3). The
// configuration layer runs it on the 32 bytes of a stored password with no key, mode -1, length 32.
//
// `EncodePassword(text, modifier)`: the inverse, giving the 64 upper-case hexadecimal digits.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "lumenrt/platform/export.h"

LUMENRT_EXPORT void DecodePasswordWithCipher(int type, const void* source, const char* key, int mode,
                                             uint32_t length, void* destination);
LUMENRT_EXPORT void DecodePassword(const void* source, const char* key, int mode, uint32_t length,
                                   void* destination);

// Obscures `text` (at most 31 characters, no zero byte) into the stored form. With `modifier` -1 the
// modifier is drawn at random among the bytes that turn no character of the default key into zero,
// and the bytes after the text's terminating zero are random; with a modifier of 0 to 255 those bytes
// are zero and the result is fixed. Returns the 64 upper-case hexadecimal digits, or an empty string
// with `*error` (when given) set for a text that is too long or holds a zero byte, a modifier outside
// -1 to 255, or a failure of the random source.
LUMENRT_EXPORT std::string EncodePassword(std::string_view text, int modifier = -1,
                                          std::string* error = nullptr);

namespace lumenrt {

// The built-in key of password obscuring; part of the stored format, never to change.
inline constexpr char kDefaultPasswordKey[] = "Kq7!vR2#mZ9$wT4%bN6&xL1*dP8@hS3^";
inline constexpr size_t kMaxPasswordKey = 79;
inline constexpr size_t kMaxPasswordText = 31;
inline constexpr size_t kStoredPasswordBytes = 32;
inline constexpr size_t kStoredPasswordHexDigits = 64;
inline constexpr int kPasswordCipherType = 3;

// The text of a stored password given as 64 hexadecimal digits (decoded with the default key, mode
// -1, length 32), or nothing with `*error` (when given) saying what is wrong: the length, or the
// first character that is not a hexadecimal digit.
LUMENRT_EXPORT std::optional<std::string> DecodeStoredPassword(std::string_view hex,
                                                               std::string* error = nullptr);

}  // namespace lumenrt
