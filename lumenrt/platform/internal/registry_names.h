// The registry's rules for key paths, value names and value sizes, the same for every system's store:
// a key path is backslash-separated components of 1 to 255 characters (empty for the root; EINVAL for
// an empty component, ENAMETOOLONG for a long one); a value name has at most 16383 characters
// (ENAMETOOLONG); a value holds at most INT_MAX bytes and has data unless it is empty (EINVAL); a
// group of values is given as an array unless it is empty (EINVAL).
// Pure functions.
#pragma once

#include <cerrno>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "lumenrt/platform/registry_store.h"

namespace lumenrt::platform {

inline constexpr std::size_t kMaxKeyComponent = 255;
inline constexpr std::size_t kMaxValueName = 16383;

inline int CheckKeyPath(std::string_view path) {
  if (path.empty()) return 0;
  std::size_t start = 0;
  while (true) {
    const std::size_t end = path.find('\\', start);
    const std::size_t length = (end == std::string_view::npos ? path.size() : end) - start;
    if (length == 0) return EINVAL;
    if (length > kMaxKeyComponent) return ENAMETOOLONG;
    if (end == std::string_view::npos) return 0;
    start = end + 1;
  }
}

inline int CheckValueName(std::string_view name) { return name.size() > kMaxValueName ? ENAMETOOLONG : 0; }

inline int CheckValue(std::string_view name, const void* data, std::uint32_t size) {
  if (int error = CheckValueName(name); error != 0) return error;
  return size > static_cast<std::uint32_t>(INT_MAX) || (data == nullptr && size != 0) ? EINVAL : 0;
}

// A key path and a group of values to set under it, checked before anything is written.
inline int CheckValues(std::string_view keyPath, const RegistryValueData* values, std::size_t count) {
  if (int error = CheckKeyPath(keyPath); error != 0) return error;
  if (values == nullptr && count != 0) return EINVAL;
  for (std::size_t i = 0; i < count; ++i) {
    if (int error =
            CheckValue(values[i].name != nullptr ? values[i].name : "", values[i].data, values[i].size);
        error != 0)
      return error;
  }
  return 0;
}

}  // namespace lumenrt::platform
