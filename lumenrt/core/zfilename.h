// ZFileName: a file name split into node, device, directory and file parts under one of
// several name syntaxes, with an operation that replaces or removes one part and keeps the rest.
//
// Syntaxes (the `syntax` code given at construction; -1 means 8):
//   0, 1, 4, 7  drive:   "::" ends the node part, ":" the device part; \ and / separate directories.
//   2, 9        slash:   colons as above, / separates directories; in a name that begins with /, and
//                        in the path after a node or device part that begins with /, colons are
//                        ordinary characters.
//   8           network: colons as above, only \ separates directories; \\server\share is one
//                        device; after such a device or a drive name ("C:\"), at the start of the
//                        name or right after its node part, colons are ordinary characters.
//   119         counted: no separators; two count bytes, then every element as a length byte and
//                        its characters (see zfilename_parts.h for the table it fills).
//   Every other code makes every parse fail.
//
// A name is parsed lazily: construction and copying do not parse; `SetPart` parses before each change
// and leaves the table stale afterwards, so `Parse` must be called again before the table or
// `ElementText` describe the new name.
//
// Names hold at most 4095 characters (the constructor keeps the first 4095 and may then append one
// separator). `SetPart` refuses (result 0, name unchanged) a change whose name and text together, or
// whose joined result, would exceed 4095 characters.
//
// Failure: `Parse` answers -1 for a name it cannot split; a name with more than 64 separators also
// reports message 4164 of facility 40 (with the name as argument) to the default sink. `SetPart` with
// a non-zero `raise` throws a heap ZError (facility 40, message 4352, "ZFileName::SetPart") instead of
// answering 0 or -1. Allocation failure of the name throws the ZString error.
//
// Ownership: the object owns its part table. Thread safety: one thread at a time.
#pragma once

#include "lumenrt/core/zfilename_parts.h"
#include "lumenrt/core/zobject.h"
#include "lumenrt/core/zstring.h"
#include "lumenrt/platform/export.h"

class LUMENRT_EXPORT ZFileName : public ZObject {
 public:
  // Empty name, default syntax, no part table, not parsed.
  ZFileName();
  // The first 4095 characters of `text`; when addSeparator is non-zero a slash (syntaxes 2 and 9) or
  // a backslash (every other syntax but 119) is appended unless the name already ends with it.
  explicit ZFileName(const ZString& text, int syntax = -1, int addSeparator = 0);
  ZFileName(const ZFileName& other);
  // Copies the name (shared), syntax and parsed flag, and the part table when `other` is parsed.
  ZFileName& operator=(const ZFileName& other);
  ~ZFileName() override;

  ZString GetName() const { return name_; }
  int Syntax() const { return syntax_; }
  bool IsParsed() const { return parsed_ != 0; }

  // Fills the part table from the name. 1, or -1 when the name cannot be split.
  int Parse();

  // Replaces or removes one part or element:
  //   1-5  node element code-1     6 device element 0     7 append / remove last directory
  //   8    file name               9 extension            10 file element 2 (counted syntax only)
  //   11-14 whole node, device, directory, file part (the text is parsed under the same syntax)
  //   15   last non-empty part (file, directory, device, node): append / remove last element
  // An empty text removes. Answers 1 on success, 0 when refused (the name is then unchanged), -1
  // when the name cannot be parsed; see the header comment for `raise`.
  int SetPart(int code, const ZString& text, int raise = 0);

  // After a successful Parse: the part table (null before the first parse), and the text of one
  // element (empty when not parsed or out of range).
  const FileNamePartTable* PartTable() const { return parts_; }
  int ElementCount(int part) const;
  ZString ElementText(int part, int index) const;

 private:
  int Change(int code, const ZString& text);

  ZString name_;
  int syntax_ = kSyntaxDefault;
  FileNamePartTable* parts_ = nullptr;
  int parsed_ = 0;
};
