// libFuzzer target: obscured passwords made of untrusted bytes.
//
// The input is taken as a stored password (64 hexadecimal digits are expected; anything may come)
// and decoded every way the library offers; a text of up to 31 characters is also obscured with a
// modifier from the input and must decode back to itself.
//
// Built by the fuzz preset (clang); the ordinary test suite replays fuzz/corpus/password/.
//   build-fuzz/bin/password_fuzz -max_len=256 CORPUS_DIR fuzz/corpus/password
#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "lumenrt/config/internal/password_decoding.h"
#include "lumenrt/crypto/internal/password_bytes.h"
#include "lumenrt/crypto/password.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);

  std::string error;
  const auto bytes = lumenrt::HexToPasswordBytes(input, &error);
  const auto decoded = lumenrt::DecodeStoredPassword(input, &error);
  Check(bytes.has_value() == decoded.has_value());
  if (bytes) {
    std::string upper(input);
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    Check(lumenrt::PasswordBytesToHex(*bytes) == upper);
    Check(decoded->size() <= lumenrt::kMaxPasswordText);
    Check(decoded->find('\0') == std::string::npos);
  } else {
    Check(!error.empty());
  }

  ZString value{input};
  const bool stored = lumenrt::IsObscuredValue(value);
  Check(stored == bytes.has_value());
  Check(lumenrt::DecodeObscuredValue(value) == stored);
  if (stored) Check(std::string_view(value.c_str(), static_cast<std::size_t>(value.Length())) == *decoded);
  if (!stored) Check(value == ZString(input));

  // Obscure a text and read it back: byte 0 is the modifier, the rest up to a zero byte the text.
  if (size >= 1) {
    const std::string_view rest = input.substr(1, std::min<std::size_t>(size - 1, lumenrt::kMaxPasswordText));
    const std::string text(rest.substr(0, rest.find('\0')));
    const std::string hex = EncodePassword(text, data[0], &error);
    Check(hex.size() == lumenrt::kStoredPasswordHexDigits);
    const auto back = lumenrt::DecodeStoredPassword(hex, &error);
    Check(back.has_value() && *back == text);
  }
  return 0;
}
