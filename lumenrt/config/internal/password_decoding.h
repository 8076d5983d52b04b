// Obscured passwords as configuration files store them: 64 hexadecimal digits (either case) giving
// 32 bytes, which DecodePassword turns back into a text of at most 31 characters under the built-in
// key and its default mode.
//
// Contract: DecodeObscuredValue replaces value by the decoded text when value has that stored form
// and leaves any other text (another length, or a character that is not a hexadecimal digit) as it
// is. Raises only the ZString allocation error. Any thread may call it.
#pragma once

#include "lumenrt/core/zstring.h"

namespace lumenrt {

inline constexpr int kObscuredValueLength = 64;

// True when text is 64 hexadecimal digits.
bool IsObscuredValue(const ZString& text);

// Decodes value in place when it is a stored password; returns true when it did.
bool DecodeObscuredValue(ZString& value);

}  // namespace lumenrt
