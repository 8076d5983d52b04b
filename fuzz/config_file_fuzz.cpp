// libFuzzer target: configuration files made of untrusted bytes, and the lookups over what they load.
//
// Byte 0 picks the source's kinds and format version, byte 1 the escape character of unescapeEntry;
// the rest is the file's text. Every entry loaded is then read back through the typed lookups
// (string, bounded buffer, number, yes/no, choice, password) and unescaped. Nothing may crash, read
// past a buffer or answer outside its documented results.
//
// Built by the fuzz preset (clang); the ordinary test suite replays fuzz/corpus/config_file/.
//   build-fuzz/bin/config_file_fuzz -close_fd_mask=3 -max_len=4096 CORPUS_DIR fuzz/corpus/config_file
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "lumenrt/config/config_file.h"
#include "lumenrt/config/config_source.h"
#include "lumenrt/config/lookups.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  static constexpr unsigned int kKinds[] = {1, 2, 4, 1 | 2, 0xFFFFFFFFu};
  const unsigned int kinds = kKinds[data[0] % 5];
  const int version = 101 + (data[0] >> 3) % 6;  // 101-105, and 106, which names nothing
  const char escape = static_cast<char>(data[1]);
  const std::string_view text(reinterpret_cast<const char*>(data + 2), size - 2);

  ConfigSource source(kinds, version);
  std::vector<lumenrt::ConfigFileProblem> problems;
  const int added = lumenrt::LoadConfigText(text, source, problems);
  Check(added == source.Count());
  std::size_t lines = 1;
  for (char c : text) lines += c == '\n';
  Check(static_cast<std::size_t>(added) + problems.size() <= lines);
  for (const auto& p : problems) Check(p.line >= 1 && static_cast<std::size_t>(p.line) <= lines);

  ConfigSource* previous = RemoveConfigSource(1);
  InstallConfigSource(1, &source);
  for (int i = 0; i < source.Count() && i < 64; ++i) {
    const ConfigEntry* entry = source.EntryAt(i);
    Check(entry != nullptr);
    const int id = entry->id;

    ZString value;
    Check(cfg_get_string(id, value) == 1);
    char small[16];
    const int bounded = cfg_get_string_buf_n(id, small, sizeof small);
    Check(bounded == 1 || bounded == -3);
    Check(std::memchr(small, '\0', sizeof small) != nullptr);
    std::int32_t number = 0;
    Check(cfg_get_number(id, number) == 1);
    const int flag = cfg_get_bool(id, 7);
    Check(flag == 0 || flag == 1 || flag == 7);
    std::int32_t index = 5;
    const int choice = cfg_get_choice(id, index);
    Check(choice >= -2 && choice <= 1);
    Check(choice == 1 ? index >= 0 : index == -1);
    ZString password;
    Check(cfg_get_password(id, password) == 1);
    ZString raw;  // the first entry of this id counts
    Check(source.GetRaw(id, raw) == 1);
    Check(password.Length() <= raw.Length());

    std::string copy(entry->value.c_str(), static_cast<std::size_t>(entry->value.Length()));
    const std::size_t before = std::strlen(copy.c_str());
    Check(unescapeEntry(copy.data(), escape) == copy.data());
    Check(std::strlen(copy.c_str()) <= before);
  }
  InstallConfigSource(1, previous);
  Check(unescapeEntry(nullptr, escape) == nullptr);
  // The lookups leave their texts behind; emptied, each run frees what it allocated, and the fuzzer
  // does not take them for a leak (a leak check after every run would slow it down many times).
  CurrentKeyName.Clear();
  CurrentKeyValue.Clear();
  return 0;
}
