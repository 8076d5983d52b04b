// Texts of operating-system error codes: on POSIX systems errno values (strerror_r), on Windows the
// codes GetLastError answers (FormatMessageA, without the line break that ends its texts).
//
// The message catalogue's SystemErrorText asks a loaded catalogue first (when the error names one)
// and then this service; when neither knows the code it writes "unknown error code 0x%X".
//
// Thread safety: the system's service keeps no state and may be used on any thread. Substituting
// (SubstituteErrorTexts) is for start-up and tests; it must not race with lookups.
#pragma once

#include "lumenrt/platform/export.h"

namespace lumenrt::platform {

class LUMENRT_EXPORT ErrorTexts {
 public:
  virtual ~ErrorTexts();

  // The system's own text for code into buffer (size >= 1 bytes), cut to size - 1 characters and
  // terminated. Returns the length, or 0 (buffer "") when the system has no text for the code.
  virtual int SystemText(int code, char* buffer, int size) = 0;
};

// The system's texts (strerror_r on POSIX). Never destroyed.
LUMENRT_EXPORT ErrorTexts& SystemErrorTexts();
// The texts in use: the substitute when one is set, else the system's.
LUMENRT_EXPORT ErrorTexts& CurrentErrorTexts();
// Sets the texts in use (null restores the system's); returns the previous substitute. The caller
// keeps ownership.
LUMENRT_EXPORT ErrorTexts* SubstituteErrorTexts(ErrorTexts* texts);

}  // namespace lumenrt::platform
