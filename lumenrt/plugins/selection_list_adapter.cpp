#include "lumenrt/plugins/selection_list_adapter.h"

#include <cstring>
#include <string_view>

#include "lumenrt/config/lookups.h"
#include "lumenrt/plugins/internal/selection_values.h"
#include "lumenrt/plugins/plugin_exception.h"

namespace lumenrt {
namespace {

// The service is asked at most this many times for one value: a value that keeps growing between
// calls is taken as far as the last buffer holds it.
constexpr int kMaxValueReads = 4;

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsSpace(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsSpace(s.back())) s.remove_suffix(1);
  return s;
}

SelectionEntry MakeEntry(const char* name, std::int32_t source, std::uint8_t include) {
  SelectionEntry entry;
  std::memset(&entry, 0, sizeof entry);
  entry.kind = kSelectionEntryKind;
  entry.source = source;
  std::size_t n = ::strnlen(name, SelectionEntry::kNameSize - 1);
  std::memcpy(entry.name, name, n);
  entry.include = include;
  return entry;
}

// Calls visit with each item of a list value that makes an entry: trailing white space dropped,
// split at commas, trimmed, unquoted, empty ones left out (still escaped).
template <typename Visit>
void ForEachItem(std::string_view rest, Visit visit) {
  while (!rest.empty() && IsSpace(rest.back())) rest.remove_suffix(1);
  if (rest.empty()) return;
  for (bool more = true; more;) {
    std::string_view item;
    std::size_t comma = rest.find(',');
    if (comma != std::string_view::npos) {
      item = rest.substr(0, comma);
      rest.remove_prefix(comma + 1);
    } else {
      item = rest;
      more = false;
    }
    item = Trim(item);
    if (!item.empty() && item.front() == '"') {
      item.remove_prefix(1);
      if (!item.empty()) item.remove_suffix(1);
    }
    if (!item.empty()) visit(item);
  }
}

}  // namespace

std::string ReadServiceValue(ICfgService& service, std::int32_t key) {
  std::string buffer(kSelectionValueBuffer, '\0');
  for (int attempt = 1;; ++attempt) {
    auto capacity = static_cast<std::int32_t>(buffer.size());
    std::int32_t length = capacity;
    service.getValue(key, buffer.data(), &length);
    if (length <= capacity || attempt == kMaxValueReads) break;
    buffer.assign(static_cast<std::size_t>(length), '\0');
  }
  buffer.resize(::strnlen(buffer.data(), buffer.size()));
  return buffer;
}

SelectionNames ParseSelectionValue(std::string_view value) {
  // Counted first, so that each part is allocated once at its size.
  std::size_t count = 0, bytes = 0;
  ForEachItem(value, [&](std::string_view item) {
    ++count;
    bytes += item.size() + 1;
  });
  SelectionNames names;
  names.starts.reserve(count);
  names.text.reserve(bytes);
  ForEachItem(value, [&](std::string_view item) {
    // Decoded in place at the end of the text (decoding never lengthens a name), then cut.
    const std::size_t start = names.text.size();
    names.text.append(item).push_back('\0');
    unescapeEntry(names.text.data() + start, '^');
    names.text.resize(start + ::strnlen(names.text.data() + start, SelectionEntry::kNameSize - 1));
    names.text.push_back('\0');
    names.starts.push_back(static_cast<std::uint32_t>(start));
  });
  return names;
}

void SelectionListAdapter::setup(std::int32_t tokenType, ICfgService* service, Plugins::Word context) {
  tokenType_ = tokenType;
  service_ = service;
  context_ = context;
}

void SelectionListAdapter::Raise(const char* what) const {
  std::string text = std::string(traits_.className) + ".initialize: " + what;
  throw Plugins::PluginException(text.c_str(), kPluginErrorCode);
}

void SelectionListAdapter::initialize(bool build) {
  names_ = {};
  closing_ = false;
  cursor_ = 0;
  if (!build) return;

  std::int32_t key;
  switch (tokenType_) {
    case 0:
      key = traits_.backupKey;
      break;
    case 1:
      key = traits_.restoreKey;
      break;
    case 2:
    case 3:
      return;
    default:
      Raise("Bad token type.");
  }
  if (service_ == nullptr) Raise("No ICfgService interface.");

  SelectionNames parsed = ParseSelectionValue(ReadServiceValue(*service_, key));
  if (traits_.closingEntry && !parsed.starts.empty()) {
    closingEntry_ = ClosingEntry();
    closing_ = true;
  }
  names_ = std::move(parsed);
}

SelectionEntry SelectionListAdapter::ClosingEntry() const { return MakeEntry("", traits_.source, 0); }

bool SelectionListAdapter::next(bool restart, SelectionEntry* entry) {
  if (restart) {
    initialize(true);
    cursor_ = 0;
  }
  if (cursor_ >= size()) return false;
  if (entry == nullptr) {
    std::string text = std::string(traits_.className) + ".next: no entry buffer.";
    throw Plugins::PluginException(text.c_str(), kPluginErrorCode);
  }
  if (cursor_ < names_.starts.size())
    *entry = MakeEntry(names_.text.data() + names_.starts[cursor_], traits_.source, 1);
  else
    *entry = closingEntry_;
  ++cursor_;
  return true;
}

}  // namespace lumenrt
