// errno texts through strerror_r, whichever of its two forms the C library declares.
#include <cstring>
#include <string_view>

#include "lumenrt/platform/internal/runtime_error_text.h"
#include "lumenrt/platform/internal/text_helpers.h"
#include "lumenrt/platform/system_error.h"

namespace lumenrt::platform {
namespace {

// XSI form: fills the buffer and returns 0 or an error number.
[[maybe_unused]] const char* Pick(int result, const char* buffer) { return result == 0 ? buffer : nullptr; }
// GNU form: returns the text, which may or may not be the buffer.
[[maybe_unused]] const char* Pick(const char* result, const char*) { return result; }

class PosixErrorTexts final : public ErrorTexts {
 public:
  int SystemText(int code, char* buffer, int size) override { return RuntimeErrorText(code, buffer, size); }
};

}  // namespace

int RuntimeErrorText(int code, char* buffer, int size) {
  if (buffer == nullptr || size <= 0) return 0;
  buffer[0] = '\0';
  char work[256];
  work[0] = '\0';
  const char* text = Pick(strerror_r(code, work, sizeof work), work);
  if (text == nullptr) return 0;
  // The C library names codes it does not know "Unknown error N"; that is no text of the system's.
  if (std::string_view(text).starts_with("Unknown error")) return 0;
  return CopyCutTerminate(text, buffer, size);
}

ErrorTexts& SystemErrorTexts() {
  static auto* texts = new PosixErrorTexts;
  return *texts;
}

}  // namespace lumenrt::platform
