// lumenrt registry: read and write registry values in the store.
#include <cerrno>
#include <cstdint>
#include <cstdio>

#include "lumenrt/core/registry_values.h"
#include "lumenrt/platform/registry_store.h"

#include "command.h"

namespace lumenrt::tool {
namespace {

constexpr char kUsage[] = "registry get KEY VALUE | registry set KEY VALUE (--dword N | --string TEXT)";

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

int Set(const std::string& key, const std::string& value, const Parsed& p) {
  const auto number = p.Get("dword");
  const auto text = p.Get("string");
  if (number.has_value() == text.has_value())
    return Fail(kExitUsage, std::string("give either --dword or --string (usage: lumenrt ") + kUsage + ")");
  int result;
  if (number) {
    const auto n = ParseInteger(*number, INT32_MIN, UINT32_MAX);
    if (!n) return Fail(kExitUsage, "not a 32-bit number: " + *number);
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

int RunRegistry(const Args& args) {
  const Parsed p(args, {"dword", "string"});
  if (auto done = CheckParsed(p, kUsage)) return *done;
  const auto& words = p.positional();
  if (words.size() != 3 || (words[0] != "get" && words[0] != "set"))
    return Fail(kExitUsage, std::string("usage: lumenrt ") + kUsage);
  if (words[0] == "get") {
    if (p.Has("dword") || p.Has("string"))
      return Fail(kExitUsage, "registry get takes no --dword or --string");
    return Get(words[1], words[2]);
  }
  return Set(words[1], words[2], p);
}

const Command kRegistry{"registry", kUsage,
                        "read a registry value (a 32-bit number in decimal, a text as it stands, other "
                        "types as hexadecimal bytes; exit 1 when missing) or write one",
                        RunRegistry};

}  // namespace
}  // namespace lumenrt::tool
