// SelectionListAdapter: the selection list that both adapter families build from one include key of
// the job's configuration, read through the agent's ICfgService.
//
// Building (initialize with its build flag set): the key is chosen by token type (0 backup, 1
// restore; 2 and 3 give an empty list; any other raises PluginException code 1 "<class>.initialize:
// Bad token type."). Its value is read with a 260-byte buffer and read again at the size the service
// asks for when it is longer (the whole value is always used). Trailing white space is dropped; the
// value is split at commas; each item is trimmed of white space on both sides, loses its first and
// last character when it starts with a double quote, and, when not empty, has its "^XX" escapes
// decoded (unescapeEntry) and becomes an entry: kind 3, the family's source, the name cut to 259
// characters, include flag 1. The Exchange family then closes a non-empty list with one entry whose
// include flag is 0 (see ExchSelectionListImpl).
//
// Memory: the list keeps its names packed (each with its terminating zero byte, one after another,
// and where each begins), about the value's size plus 4 bytes a name, and makes each 272-byte
// SelectionEntry only as next hands it out: building from a value costs a few times its size, not
// 272 bytes for every two of its characters.
//
// A rebuild with token type 0 or 1 needs a service: without one it raises PluginException (code 1)
// "<class>.initialize: No ICfgService interface." instead of calling through a null pointer. The
// list is empty after any failed rebuild.
//
// Ownership: the service is borrowed (setup's caller keeps it alive); the list owns its entries.
// Threads: one thread at a time.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "lumenrt/platform/export.h"
#include "lumenrt/plugins/iselection_list.h"

namespace lumenrt {

inline constexpr int kSelectionValueBuffer = 260;
inline constexpr std::int32_t kInitialTokenType = 4;

// The names of a list, packed: each name and its terminating zero byte follow one another in text;
// starts holds where each begins.
struct SelectionNames {
  std::string text;
  std::vector<std::uint32_t> starts;
};

// What distinguishes one family's list from the other's.
struct SelectionListTraits {
  const char* className;    // in the exception texts
  std::int32_t backupKey;   // token type 0
  std::int32_t restoreKey;  // token type 1
  std::int32_t source;      // SelectionEntry::source of every entry
  bool closingEntry;        // append the closing entry to a non-empty list
};

class LUMENRT_EXPORT SelectionListAdapter : public Plugins::ISelectionList {
 public:
  explicit SelectionListAdapter(const SelectionListTraits& traits) : traits_(traits) {}

  void setup(std::int32_t tokenType, ICfgService* service, Plugins::Word context) override;
  void reserved2() override {}
  // With restart set, rebuilds and rewinds first. A null entry buffer raises PluginException (code 1).
  bool next(bool restart, SelectionEntry* entry) override;
  bool reserved4(Plugins::Word, Plugins::Word) override { return false; }
  void setContext(Plugins::Word context) override { context_ = context; }

  // Discards the entries; with build set, builds the list anew (see the header comment).
  void initialize(bool build);

  std::int32_t tokenType() const { return tokenType_; }
  Plugins::Word context() const { return context_; }
  // The entries the list hands out, the closing entry included.
  std::size_t size() const { return names_.starts.size() + (closing_ ? 1 : 0); }

 protected:
  // The closing entry of the Exchange family; the base appends nothing.
  virtual SelectionEntry ClosingEntry() const;

 private:
  [[noreturn]] void Raise(const char* what) const;

  SelectionListTraits traits_;
  Plugins::Word context_ = 0;
  ICfgService* service_ = nullptr;
  std::int32_t tokenType_ = kInitialTokenType;
  SelectionNames names_;
  bool closing_ = false;  // the closing entry follows the names
  SelectionEntry closingEntry_{};
  std::size_t cursor_ = 0;
};

}  // namespace lumenrt
