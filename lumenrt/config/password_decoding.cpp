#include "lumenrt/config/password_decoding.h"

#include <cstring>

#if __has_include("lumenrt/crypto/password.h")
#include "lumenrt/crypto/password.h"
#define LUMENRT_HAVE_PASSWORD_DECODING 1
#else
#define LUMENRT_HAVE_PASSWORD_DECODING 0
#endif

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
#if !LUMENRT_HAVE_PASSWORD_DECODING
  return false;  // interim: the cipher suite is not in this tree yet
#else
  unsigned char source[kObscuredValueLength / 2];
  for (int i = 0; i < kObscuredValueLength / 2; ++i) {
    source[i] = static_cast<unsigned char>(HexValue(value[2 * i]) * 16 + HexValue(value[2 * i + 1]));
  }
  unsigned char text[kObscuredValueLength / 2] = {};
  DecodePassword(source, nullptr, -1, kObscuredValueLength / 2, text);
  // The routine ends the text with a zero in its last byte; never read beyond the buffer regardless.
  value = ZString(reinterpret_cast<const char*>(text),
                  static_cast<int>(strnlen(reinterpret_cast<const char*>(text), sizeof(text) - 1)));
  return true;
#endif
}

}  // namespace lumenrt
