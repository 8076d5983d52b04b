// The system's own text for an error code, as the tests expect the library to pass it on:
// strerror's on POSIX, FormatMessageA's on Windows (whose texts end with a line break that is no part
// of the text).
#pragma once

#include <cstring>
#include <string>

#ifdef _WIN32
#include <windows.h>
#endif

namespace lumenrt::test {

inline std::string SystemErrorString(int code) {
#ifdef _WIN32
  char text[1024];
  const DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                 static_cast<DWORD>(code), MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), text,
                                 sizeof text, nullptr);
  std::string s(text, n);
  while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' ')) s.pop_back();
  return s;
#else
  return std::strerror(code);
#endif
}

}  // namespace lumenrt::test
