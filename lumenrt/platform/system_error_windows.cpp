// Texts of Windows error codes through FormatMessageA, from the system's message table, and of errno
// values through the C run-time's strerror_s.
#include <cstring>
#include <string_view>

#include <windows.h>

#include "lumenrt/platform/internal/runtime_error_text.h"
#include "lumenrt/platform/internal/text_helpers.h"
#include "lumenrt/platform/system_error.h"

namespace lumenrt::platform {
namespace {

class WindowsErrorTexts final : public ErrorTexts {
 public:
  int SystemText(int code, char* buffer, int size) override {
    if (buffer == nullptr || size <= 0) return 0;
    buffer[0] = '\0';
    // The system's texts end with a line break, which is no part of the text; 1024 bytes hold any.
    char work[1024];
    const DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                   static_cast<DWORD>(code), MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), work,
                                   sizeof work, nullptr);
    std::string_view text(work, n);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
      text.remove_suffix(1);
    return CopyCutTerminate(text, buffer, size);
  }
};

}  // namespace

int RuntimeErrorText(int code, char* buffer, int size) {
  if (buffer == nullptr || size <= 0) return 0;
  buffer[0] = '\0';
  char work[256];
  if (strerror_s(work, sizeof work, code) != 0) return 0;
  // The run-time names codes it does not know "Unknown error"; that is no text of its own.
  if (std::string_view(work).starts_with("Unknown error")) return 0;
  return CopyCutTerminate(work, buffer, size);
}

ErrorTexts& SystemErrorTexts() {
  static auto* texts = new WindowsErrorTexts;
  return *texts;
}

}  // namespace lumenrt::platform
