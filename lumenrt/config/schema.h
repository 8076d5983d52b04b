// The configuration schema: one constant table naming every section and key of the agent's job and
// global configuration files.
//
// Each row gives a key's numeric id, the configuration kinds (bit mask) and format versions
// (101-105) in which it exists, its name as written in a file, a display name and its type text
// ("#H" section head, "#S" text, "#N" number, "#B" yes/no, "#P" password, or an enumeration of
// words each preceded by "/", such as "/Full/Incr"). A row applies to a request when its kinds share
// a bit with the requested kinds and its version range holds the requested version.
//
// Indexed keys hold placeholders: "%" one digit (ids id..id+9), "%%" two (id..id+99), "%%%" three
// (id..id+999); instance n of such a key has id + n. One id may have several rows when its type
// changed between versions; the first applicable row in table order decides.
//
// Contract: the table is read-only data built into the library; every scan starts at the first row
// and stops at the terminator (id 0, empty texts). Nothing here allocates except writing a ZString,
// which may raise the ZString allocation error. Any thread may read the table.
#pragma once

#include <cstdint>

#include "lumenrt/core/zstring.h"
#include "lumenrt/platform/export.h"

struct LUMENRT_EXPORT SchemaEntry {
  std::int32_t id;
  std::uint32_t kinds;
  std::int32_t minVersion;
  std::int32_t maxVersion;
  const char* key;
  const char* displayName;
  const char* type;
};

// The rows in table order, then the terminator row.
extern LUMENRT_EXPORT const SchemaEntry SchemaTable[];

// Sets name to the key name of id with its placeholders filled in, from the first row that applies
// to (version, kinds) and covers id. When no row matches, name keeps its previous content; a
// matching row with an empty key (id 800) empties it.
LUMENRT_EXPORT void FormatKeyName(int id, ZString& name, int version, unsigned int kinds);

// The type text of the first applicable row whose id equals id exactly (instances of indexed keys
// have none); empty when there is no such row.
LUMENRT_EXPORT ZString FindKeyType(int id, unsigned int kinds, int version);

namespace lumenrt {

inline constexpr int kSchemaRowCount = 352;  // rows before the terminator
inline constexpr int kFirstFormatVersion = 101;
inline constexpr int kLastFormatVersion = 105;

// True when the row exists for (version, kinds).
LUMENRT_EXPORT bool RowApplies(const SchemaEntry& row, int version, unsigned int kinds);

// The first applicable row whose key covers id (placeholder ranges included), or null; `instance`
// receives id minus the row's id.
LUMENRT_EXPORT const SchemaEntry* FindNameRow(int id, int version, unsigned int kinds,
                                              int* instance = nullptr);

// The key name of instance `instance` of the row (placeholders filled in; the instance must lie in
// the row's range).
LUMENRT_EXPORT ZString KeyNameOf(const SchemaEntry& row, int instance);

// The id of a key name as written in a file, instance digits filled in ("Server5.Net_Address" gives
// 10025), looked up among the rows applicable to (version, kinds), letter case ignored. Returns 1
// and sets id, or 0 when no row has that name.
LUMENRT_EXPORT int FindKeyId(const char* name, int version, unsigned int kinds, int* id);

}  // namespace lumenrt
