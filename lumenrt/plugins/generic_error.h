// GenericError: an error of text and code, thrown and caught by value.
//
// The route tracer's reply decoding raises it with its formatted message and code
// kGenericErrorCode (0xFFFF0000). Fields in order: `text`, then `code`. The class has two virtual
// slots: the destructor and `Touch`, an operation without arguments that does nothing (kept so that
// the object's shape matches what callers built against it expect).
//
// Thread safety: a value belongs to the thread that holds it.
#pragma once

#include <cstdint>
#include <string>

#include "lumenrt/platform/export.h"

class LUMENRT_EXPORT GenericError {
 public:
  GenericError(std::string text, std::int32_t code) : text(std::move(text)), code(code) {}
  GenericError(const GenericError& other) = default;
  GenericError& operator=(const GenericError& other) = default;
  virtual ~GenericError();

  // Slot 1: does nothing.
  virtual void Touch();

  std::string text;
  std::int32_t code = 0;
};

namespace lumenrt {
// The code the reply decoding raises with: 0xFFFF0000 as a signed 32-bit number.
inline constexpr std::int32_t kGenericErrorCode = -65536;
}  // namespace lumenrt
