// lumenrt registry: read and write registry values in the store, list keys, and carry keys between
// systems as registry editor files (registry_file.h).
//
// An import reads and checks the whole file before it writes anything, so a file with a fault
// changes nothing. It then writes key by key in the order of the file, each key's values together
// (RegistrySetValues: all of them or none). A failure of the system part-way (a full disk, a killed
// process) leaves the keys before the failing one imported and the rest untouched.
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "lumenrt/core/registry_values.h"
#include "lumenrt/platform/file_service.h"
#include "lumenrt/platform/registry_store.h"

#include "command.h"
#include "output_file.h"
#include "records.h"
#include "registry_file.h"

namespace lumenrt::tool {
namespace {

struct RegistryRequest {
  std::string key, value, file;
  std::optional<std::string> number, text;
  bool recursive = false, regedit4 = false;
};

constexpr std::size_t kLargestRegistryFile = std::size_t{256} << 20;

std::string ValuePath(const std::string& key, const std::string& value) { return key + "\\" + value; }

// A number stored little-endian in `bytes` (at most 8 of them).
std::uint64_t LittleEndian(std::string_view bytes) {
  std::uint64_t n = 0;
  for (std::size_t i = bytes.size(); i-- > 0;) n = n << 8 | static_cast<unsigned char>(bytes[i]);
  return n;
}

// The bytes in hexadecimal, separated by spaces: "0a 1b 2c".
std::string HexBytes(std::string_view bytes) {
  std::string hex;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    char two[4];
    std::snprintf(two, sizeof two, i == 0 ? "%02x" : " %02x", static_cast<unsigned char>(bytes[i]));
    hex += two;
  }
  return hex;
}

void PrintValue(int type, const unsigned char* data, int size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), static_cast<std::size_t>(size));
  if (type == kRegDword && size == 4) {
    std::printf("%d\n", static_cast<std::int32_t>(static_cast<std::uint32_t>(LittleEndian(bytes))));
  } else if (type == kRegString || type == kRegExpandString) {
    std::printf("%s\n", reinterpret_cast<const char*>(data));  // the buffer is zero-terminated
  } else {
    std::printf("%s\n", HexBytes(bytes).c_str());
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

std::string JoinKeyPath(const std::string& parent, const std::string& child) {
  if (parent.empty() || child.empty()) return parent + child;
  return parent + "\\" + child;
}

// A failure of the store for `key`: a malformed path is bad usage, anything else exit 1.
int RegistryStoreFailure(const std::string& key, int error) {
  if (error == EINVAL || error == ENAMETOOLONG) return Fail(kExitUsage, "bad key path '" + key + "'");
  if (error == ENOENT) return Fail(kExitNone, "no such key: " + key);
  return Fail(kExitNone, "cannot read the registry at '" + key + "': " + std::strerror(error));
}

// A value's type and bytes, read whole; 0 or the store's error.
int ReadWholeRegistryValue(const std::string& key, const std::string& name, int* type, std::string* data) {
  data->clear();
  for (int attempt = 0; attempt < 8; ++attempt) {
    auto size = static_cast<std::uint32_t>(data->size());
    auto* room = data->empty() ? nullptr : reinterpret_cast<unsigned char*>(data->data());
    const int error = RegistryQueryValue(key.c_str(), name.c_str(), type, room, &size);
    if (error != ERANGE) {
      if (error == 0) data->resize(size);
      return error;
    }
    data->resize(size);
  }
  return EBUSY;  // another writer kept enlarging it
}

std::string RegistryTypeName(int type) {
  switch (type) {
    case 0:
      return "none";
    case 1:
      return "string";
    case 2:
      return "expand-string";
    case 3:
      return "binary";
    case 4:
      return "dword";
    case 5:
      return "dword-big-endian";
    case 6:
      return "link";
    case 7:
      return "multi-string";
    case 11:
      return "qword";
    default:
      return "type " + std::to_string(static_cast<unsigned>(type));
  }
}

// What `list` shows of a value: a text without control characters as it stands, a 32-bit number
// as `get` prints it, a 64-bit number in decimal, anything else as hexadecimal bytes.
Json ShownRegistryData(int type, const std::string& data) {
  if ((type == kRegString || type == kRegExpandString) && !data.empty() && data.back() == '\0') {
    bool plain = true;
    for (std::size_t i = 0; i + 1 < data.size(); ++i) {
      const auto c = static_cast<unsigned char>(data[i]);
      plain &= c >= 0x20 && c != 0x7F;
    }
    if (plain) return data.substr(0, data.size() - 1);
  }
  if (type == kRegDword && data.size() == 4)
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(LittleEndian(data)));
  if (type == 11 && data.size() == 8) return LittleEndian(data);
  return HexBytes(data);
}

// Adds the values of base\relative and its subkeys (and, when recursive, everything below them).
int ListRegistryInto(const std::string& base, const std::string& relative, bool recursive, Records* records) {
  const std::string key = JoinKeyPath(base, relative);
  std::vector<std::string> subkeys, names;
  if (int error = RegistryListKey(key.c_str(), &subkeys, &names); error != 0)
    return RegistryStoreFailure(key, error);
  for (const std::string& name : names) {
    int type = kRegNone;
    std::string data;
    if (int error = ReadWholeRegistryValue(key, name, &type, &data); error == ENOENT) {
      continue;  // removed since the key was listed
    } else if (error != 0) {
      return RegistryStoreFailure(key, error);
    }
    records->Add({relative, name, RegistryTypeName(type), ShownRegistryData(type, data)});
  }
  for (const std::string& sub : subkeys) {
    records->Add({JoinKeyPath(relative, sub), "", "key", ""});
    if (recursive) {
      if (int code = ListRegistryInto(base, JoinKeyPath(relative, sub), true, records); code != kExitOk)
        return code;
    }
  }
  return kExitOk;
}

int RegistryList(const std::string& key, bool recursive) {
  Records records({"key", "name", "type", "data"});
  if (int code = ListRegistryInto(key, "", recursive, &records); code != kExitOk) return code;
  records.Print();
  return kExitOk;
}

// The key and everything below it, parents before their subkeys, for a file.
int CollectRegistryKeys(const std::string& key, std::vector<regfile::Key>* keys) {
  std::vector<std::string> subkeys, names;
  if (int error = RegistryListKey(key.c_str(), &subkeys, &names); error != 0)
    return RegistryStoreFailure(key, error);
  regfile::Key& collected = keys->emplace_back(regfile::Key{key, {}});
  for (const std::string& name : names) {
    regfile::Value value{name, kRegNone, {}};
    if (int error = ReadWholeRegistryValue(key, name, &value.type, &value.data); error == ENOENT) {
      continue;
    } else if (error != 0) {
      return RegistryStoreFailure(key, error);
    }
    collected.values.push_back(std::move(value));
  }
  for (const std::string& sub : subkeys) {
    if (int code = CollectRegistryKeys(JoinKeyPath(key, sub), keys); code != kExitOk) return code;
  }
  return kExitOk;
}

int RegistryExport(const std::string& key, const std::string& file, bool regedit4) {
  std::vector<regfile::Key> keys;
  if (int code = CollectRegistryKeys(key, &keys); code != kExitOk) return code;
  std::string problem;
  const auto bytes =
      regfile::Write(keys, regedit4 ? regfile::Format::kRegedit4 : regfile::Format::kVersion5, &problem);
  if (!bytes) return Fail(kExitNone, problem);
  Output out;
  if (!out.Open(file.empty() ? "-" : file, problem) ||
      !out.Write(reinterpret_cast<const unsigned char*>(bytes->data()), bytes->size(), problem) ||
      !out.Commit(problem))
    return Fail(kExitNone, problem);
  return kExitOk;
}

int RegistryImport(const std::string& file) {
  std::string contents;
  int error = 0;
  const auto read =
      platform::CurrentFileService().ReadWholeFile(file.c_str(), kLargestRegistryFile, &contents, &error);
  if (read == platform::FileReadStatus::kTooLarge)
    return Fail(kExitUsage, "'" + file + "' is larger than 256 MiB");
  if (read != platform::FileReadStatus::kOk)
    return Fail(kExitUsage,
                "cannot read '" + file + "'" + (error != 0 ? std::string(": ") + std::strerror(error) : ""));
  std::vector<regfile::Key> keys;
  if (auto fault = regfile::Parse(contents, &keys))
    return Fail(kExitUsage, file + ":" + std::to_string(fault->line) + ": " + fault->reason);

  std::size_t done = 0, values = 0;
  for (const regfile::Key& key : keys) {
    std::vector<RegistryValueData> data;
    for (const regfile::Value& v : key.values)
      data.push_back({v.name.c_str(), v.type, v.data.data(), static_cast<std::uint32_t>(v.data.size())});
    error = RegistryCreateKey(key.path.c_str());
    if (error == 0) error = RegistrySetValues(key.path.c_str(), data.data(), data.size());
    if (error != 0) {
      return Fail(kExitNone, "importing '" + file + "' stopped at key '" + key.path +
                                 "': " + std::strerror(error) + " (" + std::to_string(done) + " of " +
                                 std::to_string(keys.size()) + " keys imported before it)");
    }
    ++done;
    values += data.size();
  }
  auto count = [](std::size_t n, const char* what) {
    return std::to_string(n) + " " + what + (n == 1 ? "" : "s");
  };
  std::cout << count(done, "key") << ", " << count(values, "value") << " imported\n";
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
  AddExamples(*get, {"lumenrt registry get \"SOFTWARE\\Orvane\\Lumenhold\\Agent\" Diagnostics"});
  AddExamples(*set, {"lumenrt registry set \"SOFTWARE\\Orvane\\Lumenhold\\Agent\" Diagnostics --dword 1"});

  CLI::App* list = AddCommand(*group, "list",
                              "list the values and subkeys of a key (default: the root) with their types; "
                              "exit 1 when the key does not exist",
                              [r] { return RegistryList(r->key, r->recursive); });
  list->add_option("KEY", r->key, "the key path below the local machine root");
  list->add_flag("-r,--recursive", r->recursive, "list everything below the key");
  AddJsonFlag(*list);
  AddExamples(*list, {"lumenrt registry list \"SOFTWARE\\Orvane\\Lumenhold\"",
                      "lumenrt registry list -r --json SOFTWARE"});

  CLI::App* exported = AddCommand(
      *group, "export",
      "write a key and everything below it as a registry editor file (format 5: UTF-16LE; --regedit4: "
      "8-bit text); exit 1 when the key does not exist or the file cannot be written",
      [r] { return RegistryExport(r->key, r->file, r->regedit4); });
  exported->add_option("KEY", r->key, "the key path below the local machine root")->required();
  exported->add_option("FILE", r->file, "the file to write (default or -: standard output)");
  exported->add_flag("--regedit4", r->regedit4, "write the 8-bit REGEDIT4 format");
  AddExamples(*exported, {"lumenrt registry export \"SOFTWARE\\Orvane\\Lumenhold\\Agent\" agent.reg",
                          "lumenrt registry export --regedit4 \"SOFTWARE\\Orvane\" agent4.reg"});

  CLI::App* imported = AddCommand(
      *group, "import",
      "set the keys and values of a registry editor file (format 5 or REGEDIT4) below the local machine "
      "root; a file with a bad line changes nothing (exit 2, FILE:LINE: reason); deletions are refused",
      [r] { return RegistryImport(r->file); });
  imported->add_option("FILE", r->file, "the registry editor file")->required();
  AddExamples(*imported, {"lumenrt registry import agent.reg"});
}};

}  // namespace
}  // namespace lumenrt::tool
