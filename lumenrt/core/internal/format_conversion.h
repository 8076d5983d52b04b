// The reader of one "%" conversion of a message format, as the catalogue's formatter and its format
// check read it (lumenrt/core/message_format.h gives the rules).
#pragma once

#include <cstddef>
#include <string_view>

namespace lumenrt {

// Widths and precisions of conversions are limited to this many characters when filled.
inline constexpr int kMaxFieldWidth = 4096;

// One "%" conversion of a message format, as the catalogue's formatter reads it.
struct FormatConversion {
  enum Kind {
    kPercent,      // "%%"
    kText,         // "%s": fills a text
    kNumber,       // d i u o x X c: fills a number
    kUnsupported,  // a conversion the catalogue never fills ("%n", "%p", "%f", "%*d", "%lld" ...)
    kIncomplete,   // "%" not followed by a conversion; the "%" stands for itself
  };
  Kind kind = kIncomplete;
  std::size_t length = 1;  // characters from the "%" through the conversion letter
  char letter = 0;         // conversion letter; 0 when incomplete
  bool leftAlign = false;  // "-" flag
  std::string_view flags;  // every flag character as written
  int width = -1;          // -1 when none; larger values are limited to kMaxFieldWidth
  int precision = -1;      // -1 when none; likewise limited
  int lengthModifier = 0;  // 0 none, 'h', 'H' for "hh", 'l'
};

// Reads the conversion that starts at format[at], which must be '%'.
FormatConversion ParseFormatConversion(std::string_view format, std::size_t at);

}  // namespace lumenrt
