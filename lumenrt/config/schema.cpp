#include "lumenrt/config/schema.h"

#include <cctype>
#include <cstring>

#include "lumenrt/config/internal/schema_placeholders.h"
#include "lumenrt/platform/internal/text_helpers.h"

namespace lumenrt {

bool RowApplies(const SchemaEntry& row, int version, unsigned int kinds) {
  return (row.kinds & kinds) != 0 && row.minVersion <= version && version <= row.maxVersion;
}

int PlaceholderWidth(const SchemaEntry& row, int* position) {
  const char* p = std::strchr(row.key, '%');
  if (position != nullptr) *position = p ? static_cast<int>(p - row.key) : -1;
  if (p == nullptr) return 0;
  if (p[1] != '%') return 1;
  return p[2] == '%' ? 3 : 2;
}

namespace {

int InstanceCount(int width) { return width == 0 ? 1 : width == 1 ? 10 : width == 2 ? 100 : 1000; }

}  // namespace

const SchemaEntry* FindNameRow(int id, int version, unsigned int kinds, int* instance) {
  for (const SchemaEntry* row = SchemaTable; row->id != 0; ++row) {
    if (!RowApplies(*row, version, kinds)) continue;
    // 64-bit difference: ids span the whole 32-bit range and must not overflow here.
    std::int64_t offset = static_cast<std::int64_t>(id) - row->id;
    if (offset < 0 || offset >= InstanceCount(PlaceholderWidth(*row))) continue;
    if (instance != nullptr) *instance = static_cast<int>(offset);
    return row;
  }
  return nullptr;
}

ZString KeyNameOf(const SchemaEntry& row, int instance) {
  int position = 0;
  int width = PlaceholderWidth(row, &position);
  ZString name(row.key);
  int divisor = 1;
  for (int i = 1; i < width; ++i) divisor *= 10;
  for (int i = 0; i < width; ++i, divisor /= 10) {
    name.PutChar(position + i, static_cast<char>('0' + (instance / divisor) % 10));
  }
  return name;
}

int FindKeyId(const char* name, int version, unsigned int kinds, int* id) {
  if (name == nullptr) return 0;
  const std::size_t length = std::strlen(name);
  for (const SchemaEntry* row = SchemaTable; row->id != 0; ++row) {
    if (!RowApplies(*row, version, kinds) || std::strlen(row->key) != length || length == 0) continue;
    int position = 0;
    int width = PlaceholderWidth(*row, &position);
    bool same = true;
    int instance = 0;
    for (std::size_t i = 0; same && i < length; ++i) {
      const bool digitSlot =
          width > 0 && static_cast<int>(i) >= position && static_cast<int>(i) < position + width;
      const unsigned char c = static_cast<unsigned char>(name[i]);
      if (digitSlot) {
        same = std::isdigit(c) != 0;
        instance = instance * 10 + (c - '0');
      } else {
        same = lumenrt::FoldCase(name[i]) == lumenrt::FoldCase(row->key[i]);
      }
    }
    if (!same) continue;
    *id = row->id + instance;
    return 1;
  }
  return 0;
}

}  // namespace lumenrt

void FormatKeyName(int id, ZString& name, int version, unsigned int kinds) {
  int instance = 0;
  const SchemaEntry* row = lumenrt::FindNameRow(id, version, kinds, &instance);
  if (row != nullptr) name = lumenrt::KeyNameOf(*row, instance);
}

ZString FindKeyType(int id, unsigned int kinds, int version) {
  for (const SchemaEntry* row = SchemaTable; row->id != 0; ++row) {
    if (row->id == id && lumenrt::RowApplies(*row, version, kinds)) return ZString(row->type);
  }
  return ZString();
}
