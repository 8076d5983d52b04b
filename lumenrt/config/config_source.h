// ConfigSource: one loaded configuration (a job or global configuration file) as the lookups see it.
//
// A source has a kinds mask (tested against the schema rows' kinds), a format version (101-105) and
// an ordered list of entries, each a key id and its raw text. Several entries may share an id; the
// first one in order counts. The host fills a source (by AddEntry, or with LoadConfigFile of
// config_file.h) and installs it in one of the four slots that the lookups of lookups.h consult.
//
// Ownership: a source owns its entries. The slots borrow sources: the host owns them and removes a
// source from its slot before destroying it.
// Failure: the Get operations raise nothing but the ZString allocation error (facility 75, 4109).
// Threads: a source is read by one thread at a time; the slots are process state without a lock.
#pragma once

#include <cstdint>
#include <string_view>

#include "lumenrt/core/zarray.h"
#include "lumenrt/core/zobject.h"
#include "lumenrt/core/zstring.h"
#include "lumenrt/platform/export.h"

// One entry of a source: a key id and its raw text.
class LUMENRT_EXPORT ConfigEntry : public ZObject {
 public:
  ConfigEntry(int id, const ZString& value) : id(id), value(value) {}
  std::int32_t id;
  ZString value;
};

class LUMENRT_EXPORT ConfigSource : public ZObject {
 public:
  ConfigSource(unsigned int kinds, int version);
  ConfigSource(const ConfigSource&) = delete;
  ConfigSource& operator=(const ConfigSource&) = delete;
  ~ConfigSource() override;

  // Appends an entry. 1, or 0 when the list cannot grow (the source is unchanged).
  int AddEntry(int id, const ZString& value);

  // Empties value, then copies the text of the first entry with this id: 1, or 0 when there is none.
  int GetRaw(int id, ZString& value) const;

  // Yes/no value. flag becomes 0 and raw (optional) is emptied; then, when the key is present, raw
  // receives its text. Returns 1 with flag set for a yes/no word, 0 when the key is absent or its text
  // is not one: a leading part (ignoring case) of "YES" or "TRUE", or "1", is yes; of "NO" or "FALSE",
  // or "0", is no. The empty text counts as yes.
  int GetBool(int id, int& flag, ZString* raw = nullptr) const;

  // Password value: 1 with the value, 0 when absent. A text of exactly 64 hexadecimal digits is an
  // obscured password and is decoded (at most 31 characters result); any other text is returned as
  // written. raw (optional) receives the text as stored.
  int GetPassword(int id, ZString& value, ZString* raw = nullptr) const;

  // Enumerated value: index of the word of the key's type ("/Full/Incr") of which the text is a
  // leading part, ignoring case. index becomes -1 and raw (optional) is emptied first, then raw
  // receives the text when present. Returns 1 (index set), 0 (absent), -1 (empty text, no such word,
  // or the key is not an enumeration), -2 (the text leads more than one word).
  int GetChoice(int id, int& index, ZString* raw = nullptr) const;

  int GetVersion() const { return version_; }
  unsigned int Kinds() const { return kinds_; }
  int Count() const { return entries_.Count(); }
  // The entry at position i (0 to Count()-1), or null.
  const ConfigEntry* EntryAt(int i) const { return static_cast<const ConfigEntry*>(entries_.GetAt(i)); }

 private:
  const ConfigEntry* Find(int id) const;

  std::uint32_t kinds_;
  std::int32_t version_;
  ZArray entries_;
};

// The four slots consulted by the lookups, in the order 1, 2, 3, 4. Install puts a borrowed source
// (or null) into slot 1-4 and returns 1, or 0 for another slot number; Remove empties the slot and
// returns the source it held (null when empty or the slot number is bad).
LUMENRT_EXPORT int InstallConfigSource(int slot, ConfigSource* source);
LUMENRT_EXPORT ConfigSource* RemoveConfigSource(int slot);
// The source in slot 1-4, or null.
LUMENRT_EXPORT ConfigSource* InstalledConfigSource(int slot);

namespace lumenrt {

// The word of an enumeration type ("/Full/Incr") of which text is a leading part, ignoring case, as
// GetChoice matches it: 1 with *index (optional) the word's position from 0, -1 when text is empty,
// holds a "/", or leads no word (also when type is no enumeration), -2 when it leads more than one.
// *index is -1 unless the answer is 1.
LUMENRT_EXPORT int MatchChoice(std::string_view type, std::string_view text, int* index = nullptr);

}  // namespace lumenrt
