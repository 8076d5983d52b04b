// Small text and byte helpers shared across the library (and usable by the tool, being inline). They
// touch no operating system; they sit in the lowest layer so that every layer may use them:
// hexadecimal digits, little-endian 32-bit words, comparison without regard to ASCII case, and
// copying a text into a caller's buffer.
//
// All are inline, allocation-free (except HexEncode, which returns a std::string), and keep no state.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace lumenrt {

// The value of one hexadecimal digit (either case), or -1 for any other character.
constexpr int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The hexadecimal digit of value & 15, upper or lower case.
constexpr char HexDigit(unsigned value, bool upper = true) {
  return (upper ? "0123456789ABCDEF" : "0123456789abcdef")[value & 15];
}

// Two hexadecimal digits per byte, the high one first.
inline std::string HexEncode(const unsigned char* bytes, std::size_t count, bool upper = true) {
  std::string hex;
  hex.reserve(count * 2);
  for (std::size_t i = 0; i < count; ++i) {
    hex.push_back(HexDigit(bytes[i] >> 4, upper));
    hex.push_back(HexDigit(bytes[i], upper));
  }
  return hex;
}

// Decodes hex.size() / 2 bytes into out (room for that many). Answers the index of the first
// character that is not a hexadecimal digit, or npos when every one is (an odd last digit is not
// decoded).
inline std::size_t HexDecode(std::string_view hex, unsigned char* out) {
  for (std::size_t i = 0; i < hex.size(); ++i)
    if (HexDigitValue(hex[i]) < 0) return i;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
    out[i / 2] = static_cast<unsigned char>(HexDigitValue(hex[i]) << 4 | HexDigitValue(hex[i + 1]));
  return std::string_view::npos;
}

// A 32-bit word stored least significant byte first, whatever the machine's own order.
constexpr std::uint32_t LoadLittleEndian32(const unsigned char* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
constexpr void StoreLittleEndian32(unsigned char* p, std::uint32_t v) {
  p[0] = static_cast<unsigned char>(v);
  p[1] = static_cast<unsigned char>(v >> 8);
  p[2] = static_cast<unsigned char>(v >> 16);
  p[3] = static_cast<unsigned char>(v >> 24);
}

// An ASCII letter in lower case; any other character as it is (no locale).
constexpr char FoldCase(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Compares at most n characters of a and b without regard to ASCII case, stopping after a
// terminator: below 0, 0 or above 0 as a sorts before, with or after b (as unsigned characters,
// letters folded to lower case).
inline int CompareFoldedCase(const char* a, const char* b, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) {
    const auto ca = static_cast<unsigned char>(FoldCase(a[i]));
    const auto cb = static_cast<unsigned char>(FoldCase(b[i]));
    if (ca != cb) return ca < cb ? -1 : 1;
    if (a[i] == '\0') break;
  }
  return 0;
}

// Copies text into buffer (size bytes), cut to size - 1 characters and terminated. Answers the
// length copied; nothing is written when buffer is null or size is not positive (answer 0).
inline int CopyCutTerminate(std::string_view text, char* buffer, int size) {
  if (buffer == nullptr || size <= 0) return 0;
  const std::size_t n =
      text.size() < static_cast<std::size_t>(size - 1) ? text.size() : static_cast<std::size_t>(size - 1);
  if (n > 0) std::memmove(buffer, text.data(), n);
  buffer[n] = '\0';
  return static_cast<int>(n);
}

}  // namespace lumenrt
