// Registry files: the text format of the Windows registry editor, so that an operator can carry an
// agent's settings between a Windows server and a Linux one.
//
// Two forms, both with CR LF line ends:
//   - format 5: "Windows Registry Editor Version 5.00" as the first line, the file in UTF-16LE with a
//     byte-order mark; texts inside hex(1), hex(2) and hex(7) data are UTF-16LE as well;
//   - REGEDIT4: "REGEDIT4" as the first line, the file in 8-bit text; all data as it is stored.
// Then, for every key, a line "[HKEY_LOCAL_MACHINE\PATH]" and its values, one per line:
//   "name"="text"           a string (type 1); @ instead of "name" is the key's default value
//   "name"=dword:0000002a   a 32-bit number (type 4, four bytes)
//   "name"=hex:01,02        binary data (type 3)
//   "name"=hex(N):..        data of type N (hexadecimal): hex(0) none, hex(2) expandable string,
//                           hex(7) multi-string, hex(b) 64-bit number, any other type alike
// A backslash and a double quote in a quoted name or text are written \\ and \". A hex list that
// does not fit on a line ends with a backslash and goes on in the next line, indented by two spaces;
// the writer wraps as the registry editor does, before the 80th column. Blank lines and lines that
// start with ';' are ignored.
//
// The store keeps texts as 8-bit (UTF-8) bytes with their terminating zero: a format 5 file's texts
// are converted from and to UTF-16LE without loss, and what cannot be converted (a text that is not
// UTF-8, a lone surrogate) is refused, never cut or replaced. A REGEDIT4 file carries the bytes as
// they are.
//
// Deleting a key ("[-KEY]") or a value ("name"=-) is refused: an import only adds and replaces.
// Keys below another root than HKEY_LOCAL_MACHINE are refused too.
//
// Pure functions, any thread.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lumenrt::tool::regfile {

enum class Format { kVersion5, kRegedit4 };

struct Value {
  std::string name;  // "" for the default value
  int type = 0;
  std::string data;  // the bytes as the store keeps them
};

struct Key {
  std::string path;  // below HKEY_LOCAL_MACHINE; "" is the root itself
  std::vector<Value> values;
};

// Why a file was refused: its line (counted from 1) and the reason.
struct ParseError {
  int line = 0;
  std::string reason;
};

// Reads a whole file into *keys (replaced), in the order of the file: a key named twice (in any
// case) gathers its values in its first place, and a value named twice keeps the later data.
// Nothing or the first fault.
std::optional<ParseError> Parse(std::string_view file, std::vector<Key>* keys);

// The file for `keys` in `format`, or nothing with *problem saying which name or value cannot be
// written in it (a name with a line break; in format 5, a name or text that is not UTF-8).
std::optional<std::string> Write(const std::vector<Key>& keys, Format format, std::string* problem);

}  // namespace lumenrt::tool::regfile
