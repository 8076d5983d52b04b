// The configuration file loader: fills a ConfigSource from a text file of "NAME = VALUE" lines.
//
// Syntax, one entry a line (lines end in LF or CR LF; a UTF-8 byte-order mark at the start is
// skipped):
//   - blank lines, and lines whose first non-blank character is ";", are ignored;
//   - NAME = VALUE: NAME is a key name of the schema with its instance digits filled in
//     ("Server5.Net_Address"), letter case ignored, looked up among the rows that exist for the
//     source's version and kinds; or a numeric id, decimal, optionally negative ("1032", "-1");
//   - blanks and tabs around NAME and around VALUE are dropped; a VALUE written between double
//     quotes keeps everything inside them ("  x  " gives two blanks, x, two blanks); VALUE may be
//     empty;
//   - a section head alone on its line ("#Backup") is an entry with an empty value.
// Entries are added in file order after those the source already holds; the source's version and
// kinds are the caller's.
//
// Failure: a line that cannot be used (no "=", an unknown name, an id beyond 32 bits, a zero byte)
// is reported with its line number and skipped; every other line is still loaded. A file that
// cannot be read is reported with line 0, in one line naming the file ("PATH: cannot open: ..."), and
// so is one that is not a regular file (a device such as /dev/zero, a FIFO: refused without reading
// or waiting) or holds more than kMaxConfigFileBytes. Memory exhaustion raises the ZString allocation error.
// Threads: the loader touches only the source it is given.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "lumenrt/config/config_source.h"
#include "lumenrt/platform/export.h"

namespace lumenrt {

// Configuration files hold a few hundred short lines, a long include list at most; 16 MiB leaves room
// for any real one while bounding what a wrong path (a disk image, a log) costs to read.
inline constexpr std::size_t kMaxConfigFileBytes = 16 * 1024 * 1024;

struct LUMENRT_EXPORT ConfigFileProblem {
  int line;             // 1-based; 0 for the file as a whole
  std::string message;  // what is wrong, e.g. "unknown key name 'Backup.Kind'"
  std::string key;      // the line's NAME as written, when it has one
};

// Where the entries of one load came from, for callers that point at lines (a checker).
struct LUMENRT_EXPORT ConfigFileLines {
  int count = 0;             // lines in the text
  std::vector<int> entries;  // the line of each entry added, in order
};

// Loads the text of a configuration file into source. Returns the number of entries added; problems
// receive one record per line that could not be used.
LUMENRT_EXPORT int LoadConfigText(std::string_view text, ConfigSource& source,
                                  std::vector<ConfigFileProblem>& problems);
// The same, with the line of every entry added.
LUMENRT_EXPORT int LoadConfigText(std::string_view text, ConfigSource& source,
                                  std::vector<ConfigFileProblem>& problems, ConfigFileLines& lines);

// Reads the file at path and loads it as LoadConfigText does. Returns -1 (with a line-0 problem)
// when the file cannot be read.
LUMENRT_EXPORT int LoadConfigFile(const std::string& path, ConfigSource& source,
                                  std::vector<ConfigFileProblem>& problems);
LUMENRT_EXPORT int LoadConfigFile(const std::string& path, ConfigSource& source,
                                  std::vector<ConfigFileProblem>& problems, ConfigFileLines& lines);

}  // namespace lumenrt
