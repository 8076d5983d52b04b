#include "lumenrt/plugins/plugin_exception.h"

#include <cstring>

namespace Plugins {

PluginException::PluginException(const char* text, std::int32_t code) : code(code) {
  std::memset(message, 0, sizeof message);
  if (text != nullptr) {
    std::size_t n = ::strnlen(text, kMessageSize - 1);
    std::memcpy(message, text, n);
  }
}

PluginException::PluginException(const PluginException& other) : code(other.code) {
  std::memcpy(message, other.message, sizeof message);
}

PluginException& PluginException::operator=(const PluginException& other) {
  code = other.code;
  std::memmove(message, other.message, sizeof message);
  return *this;
}

PluginException::~PluginException() = default;

}  // namespace Plugins
