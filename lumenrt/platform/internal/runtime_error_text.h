// RuntimeErrorText: the C run-time library's text for an errno value, as strerror gives it.
//
// On POSIX systems errno values are the system's own codes and this is the text SystemText gives; on
// Windows the system's codes (GetLastError) are other numbers with other texts, so a saved errno
// value must be described by the C run-time, never by FormatMessageA (errno 13 is "Permission
// denied" there, while Windows error 13 is "The data is invalid.").
#pragma once

namespace lumenrt::platform {

// Writes the text for code into buffer (size >= 1 bytes), cut to size - 1 characters and terminated.
// Returns the length, or 0 (buffer "") when the run-time has no text of its own for the code (it
// names such codes "Unknown error").
int RuntimeErrorText(int code, char* buffer, int size);

}  // namespace lumenrt::platform
