#include "lumenrt/config/internal/password_decoding.h"

#include <cstring>

#include "lumenrt/crypto/internal/password_bytes.h"
#include "lumenrt/crypto/password.h"

namespace lumenrt {

bool IsObscuredValue(const ZString& text) { return HexToPasswordBytes(text.view()).has_value(); }

bool DecodeObscuredValue(ZString& value) {
  auto source = HexToPasswordBytes(value.view());
  if (!source) return false;
  unsigned char text[kStoredPasswordBytes] = {};
  // No key: the built-in one; mode -1: the last byte modifies the key.
  DecodePassword(source->data(), nullptr, -1, static_cast<uint32_t>(source->size()), text);
  // The routine ends the text with a zero in its last byte; never read beyond the buffer regardless.
  const char* chars = reinterpret_cast<const char*>(text);
  value = ZString(chars, static_cast<int>(strnlen(chars, sizeof(text) - 1)));
  return true;
}

}  // namespace lumenrt
