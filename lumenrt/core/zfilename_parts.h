// The part table of a ZFileName: where each part of a file name lies in a source text.
//
// Four parts in the order node, device, directory, file. Each part holds a 32-bit element count and
// room for 256 elements; an element is a pair of 16-bit unsigned numbers, the offset of its first
// character in the source text and its length. The table begins with a 32-bit count of parts in use
// (4 after every parse).
//
// Node part: the node name (element 0), then the words of its quoted access string.
// Device part: the device (a drive, a device name, or under the network syntax \\server\share).
// Directory part: one element per directory, outermost first.
// File part: the name (element 0), the extension (element 1) and a further element 2 that only the
// counted syntax writes back.
//
// Plain data; the owner (ZFileName) decides which text the offsets refer to.
#pragma once

#include <cstdint>

#include "lumenrt/platform/export.h"

struct LUMENRT_EXPORT FileNameElement {
  std::uint16_t offset;
  std::uint16_t length;
};

struct LUMENRT_EXPORT FileNamePart {
  std::int32_t count;
  FileNameElement elements[256];
};

struct LUMENRT_EXPORT FileNamePartTable {
  std::int32_t partsInUse;
  FileNamePart parts[4];
};

static_assert(sizeof(FileNameElement) == 4);
static_assert(sizeof(FileNamePart) == 4 + 256 * 4);
static_assert(sizeof(FileNamePartTable) == 4 + 4 * sizeof(FileNamePart));

// Part indices of the table.
enum FileNamePartIndex : int {
  kFileNameNode = 0,
  kFileNameDevice = 1,
  kFileNameDirectory = 2,
  kFileNameFile = 3,
};

// Name syntax codes.
inline constexpr int kSyntaxDefault = 8;    // what -1 stands for
inline constexpr int kSyntaxNetwork = 8;    // backslashes; \\server\share devices; drive names
inline constexpr int kSyntaxCounted = 119;  // length bytes instead of separators
