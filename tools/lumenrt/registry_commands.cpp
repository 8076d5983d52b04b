// lumenrt registry: read and write registry values in the store.
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "lumenrt/core/registry_values.h"
#include "lumenrt/platform/registry_store.h"

#include "command.h"

namespace lumenrt::tool {
namespace {

struct RegistryRequest {
  std::string key, value;
  std::optional<std::string> number, text;
};

std::string ValuePath(const std::string& key, const std::string& value) { return key + "\\" + value; }

void PrintValue(int type, const unsigned char* data, int size) {
  if (type == kRegDword && size == 4) {
    const std::uint32_t bits =
        static_cast<std::uint32_t>(data[0]) | static_cast<std::uint32_t>(data[1]) << 8 |
        static_cast<std::uint32_t>(data[2]) << 16 | static_cast<std::uint32_t>(data[3]) << 24;
    std::printf("%d\n", static_cast<std::int32_t>(bits));
  } else if (type == kRegString || type == kRegExpandString) {
    std::printf("%s\n", reinterpret_cast<const char*>(data));  // the buffer is zero-terminated
  } else {
    for (int i = 0; i < size; ++i) std::printf(i == 0 ? "%02x" : " %02x", data[i]);
    std::printf("\n");
  }
}

int Get(const std::string& key, const std::string& value) {
  int type = kRegNone;
  unsigned char* data = nullptr;
  const int size = ReadRegistryValue(key.c_str(), value.c_str(), &type, &data);
  if (size < 0) return Fail(kExitNone, "reading " + ValuePath(key, value) + " failed");
  if (size == 0) {
    if (lumenrt::RegistryOpenKey(key.c_str()) == ENOENT) return Fail(kExitNone, "no such key: " + key);
    return Fail(kExitNone, "no such value (or an empty one): " + ValuePath(key, value));
  }
  PrintValue(type, data, size);
  FreeRegistryBuffer(data);
  return kExitOk;
}

int Set(const std::string& key, const std::string& value, const RegistryRequest& r) {
  const auto& number = r.number;
  const auto& text = r.text;
  if (number.has_value() == text.has_value()) return Fail(kExitUsage, "give either --dword or --string");
  int result;
  if (number) {
    const auto n = ParseInteger(*number, INT32_MIN, UINT32_MAX);  // checked while parsing
    const auto bits = static_cast<std::uint32_t>(*n);
    const unsigned char data[4] = {static_cast<unsigned char>(bits), static_cast<unsigned char>(bits >> 8),
                                   static_cast<unsigned char>(bits >> 16),
                                   static_cast<unsigned char>(bits >> 24)};
    result = WriteRegistryValue(key.c_str(), value.c_str(), kRegDword, data, 4, 1);
  } else {
    // A text value is stored with its terminating zero.
    result = WriteRegistryValue(key.c_str(), value.c_str(), kRegString, text->c_str(),
                                static_cast<int>(text->size() + 1), 1);
  }
  if (result != 1) return Fail(kExitNone, "writing " + ValuePath(key, value) + " failed");
  return kExitOk;
}

const Registration kRegistryCommands{[](CLI::App& tool) {
  auto r = std::make_shared<RegistryRequest>();
  CLI::App* group = AddCommand(tool, "registry", "registry values in the store");
  CLI::App* get = AddCommand(*group, "get",
                             "read a registry value (a 32-bit number in decimal, a text as it stands, other "
                             "types as hexadecimal bytes; exit 1 when missing)",
                             [r] { return Get(r->key, r->value); });
  CLI::App* set = AddCommand(*group, "set", "write a 32-bit number or a text value",
                             [r] { return Set(r->key, r->value, *r); });
  for (CLI::App* verb : {get, set}) {
    verb->add_option("KEY", r->key, "the key path below the local machine root")->required();
    verb->add_option("VALUE", r->value, "the value name")->required();
  }
  auto* dword = set->add_option_function<std::string>(
                       "--dword", [r](const std::string& t) { r->number = t; }, "a 32-bit number")
                    ->type_name("N")
                    ->check(IntegerCheck(INT32_MIN, UINT32_MAX, "not a 32-bit number: {}"));
  set->add_option_function<std::string>(
         "--string", [r](const std::string& t) { r->text = t; }, "a text")
      ->type_name("TEXT")
      ->excludes(dword);
}};

}  // namespace
}  // namespace lumenrt::tool
