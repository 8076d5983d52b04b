#include "lumenrt/config/config_source.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "lumenrt/config/internal/password_decoding.h"
#include "lumenrt/config/schema.h"

namespace {

constexpr int kMinGrowth = 64;

}  // namespace

ConfigSource::ConfigSource(unsigned int kinds, int version)
    : kinds_(kinds), version_(version), entries_(16, kMinGrowth, 1) {}

ConfigSource::~ConfigSource() = default;

int ConfigSource::AddEntry(int id, const ZString& value) {
  // A full list grows by as many slots as it holds (at least 64), so that filling a source with n
  // entries copies O(n) pointers, not O(n^2 / 64).
  const int count = entries_.Count();
  if (count >= entries_.Capacity())
    entries_.SetGrowBy(std::max(kMinGrowth, std::min(count, INT_MAX - count)));
  auto* entry = new ConfigEntry(id, value);
  if (entries_.InsertAt(entry) == 1) return 1;
  delete entry;
  return 0;
}

const ConfigEntry* ConfigSource::Find(int id) const {
  for (int i = 0; i < entries_.Count(); ++i) {
    const ConfigEntry* entry = EntryAt(i);
    if (entry != nullptr && entry->id == id) return entry;
  }
  return nullptr;
}

int ConfigSource::GetRaw(int id, ZString& value) const {
  value.Clear();
  const ConfigEntry* entry = Find(id);
  if (entry == nullptr) return 0;
  value = entry->value;
  return 1;
}

namespace {

// A leading part of word, ignoring case (the empty text leads every word).
bool Leads(const ZString& text, const char* word) {
  return text.Length() <= static_cast<int>(std::strlen(word)) &&
         CompareNoCase(text, word, text.Length()) == 0;
}

}  // namespace

int ConfigSource::GetBool(int id, int& flag, ZString* raw) const {
  flag = 0;
  ZString text;
  if (raw != nullptr) raw->Clear();
  if (GetRaw(id, text) == 0) return 0;
  if (raw != nullptr) *raw = text;
  if (Leads(text, "YES") || Leads(text, "TRUE") || text == "1") {
    flag = 1;
    return 1;
  }
  if (Leads(text, "NO") || Leads(text, "FALSE") || text == "0") return 1;
  return 0;
}

int ConfigSource::GetPassword(int id, ZString& value, ZString* raw) const {
  if (raw != nullptr) raw->Clear();
  if (GetRaw(id, value) == 0) return 0;
  if (raw != nullptr) *raw = value;
  lumenrt::DecodeObscuredValue(value);
  return 1;
}

int ConfigSource::GetChoice(int id, int& index, ZString* raw) const {
  index = -1;
  if (raw != nullptr) raw->Clear();
  ZString text;
  if (GetRaw(id, text) == 0) return 0;
  if (raw != nullptr) *raw = text;
  return lumenrt::MatchChoice(FindKeyType(id, kinds_, version_).view(), text.view(), &index);
}

namespace lumenrt {

int MatchChoice(std::string_view type, std::string_view text, int* index) {
  int found = -1;
  if (index == nullptr) index = &found;
  *index = -1;
  // A "/" inside the text would let it run across two words ("full/incr"); no word holds one.
  if (text.empty() || text.find('/') != std::string_view::npos) return -1;
  ZString words(type);
  words.ToUpper();
  ZString probe = '/' + ZString(text);
  probe.ToUpper();
  const std::size_t at = words.view().find(probe.view());
  if (at == std::string_view::npos) return -1;
  if (words.view().find(probe.view(), at + probe.view().size()) != std::string_view::npos) return -2;
  int slashes = 0;
  for (std::size_t i = 0; i < at; ++i) slashes += words.view()[i] == '/';
  *index = slashes;
  return 1;
}

}  // namespace lumenrt

namespace {

ConfigSource* slots[4] = {nullptr, nullptr, nullptr, nullptr};

}  // namespace

int InstallConfigSource(int slot, ConfigSource* source) {
  if (slot < 1 || slot > 4) return 0;
  slots[slot - 1] = source;
  return 1;
}

ConfigSource* RemoveConfigSource(int slot) {
  if (slot < 1 || slot > 4) return nullptr;
  ConfigSource* previous = slots[slot - 1];
  slots[slot - 1] = nullptr;
  return previous;
}

ConfigSource* InstalledConfigSource(int slot) { return slot < 1 || slot > 4 ? nullptr : slots[slot - 1]; }
