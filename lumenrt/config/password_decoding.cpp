#include "lumenrt/config/password_decoding.h"

#include <cstring>

#include "lumenrt/crypto/password.h"

namespace lumenrt {
namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

bool IsObscuredValue(const ZString& text) {
  if (text.Length() != kObscuredValueLength) return false;
  for (int i = 0; i < kObscuredValueLength; ++i) {
    if (HexValue(text[i]) < 0) return false;
  }
  return true;
}

bool DecodeObscuredValue(ZString& value) {
  if (!IsObscuredValue(value)) return false;
  unsigned char source[kObscuredValueLength / 2];
  for (int i = 0; i < kObscuredValueLength / 2; ++i) {
    source[i] = static_cast<unsigned char>(HexValue(value[2 * i]) * 16 + HexValue(value[2 * i + 1]));
  }
  unsigned char text[kObscuredValueLength / 2] = {};
  // No key: the built-in one; mode -1: the last byte modifies the key.
  DecodePassword(source, nullptr, -1, sizeof(source), text);
  // The routine ends the text with a zero in its last byte; never read beyond the buffer regardless.
  const char* chars = reinterpret_cast<const char*>(text);
  value = ZString(chars, static_cast<int>(strnlen(chars, sizeof(text) - 1)));
  return true;
}

}  // namespace lumenrt
