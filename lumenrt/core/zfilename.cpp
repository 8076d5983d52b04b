#include "lumenrt/core/zfilename.h"

#include <cstring>
#include <memory>
#include <new>

#include "lumenrt/core/internal/message_numbers.h"
#include "lumenrt/core/message_catalogue.h"
#include "lumenrt/core/zerror.h"

namespace lumenrt {
namespace {

constexpr int kMaxNameLength = 4095;
constexpr int kMaxSeparators = 64;
constexpr int kMaxElements = 256;
constexpr int kFacilityFileName = 40;

enum class Kind { kDrive, kSlash, kNetwork, kCounted, kUnknown };

Kind KindOf(int syntax) {
  switch (syntax) {
    case 0:
    case 1:
    case 4:
    case 7:
      return Kind::kDrive;
    case 2:
    case 9:
      return Kind::kSlash;
    case 8:
      return Kind::kNetwork;
    case 119:
      return Kind::kCounted;
    default:
      return Kind::kUnknown;
  }
}

bool IsDirectorySeparator(Kind kind, unsigned char c) {
  switch (kind) {
    case Kind::kDrive:
      return c == '\\' || c == '/';
    case Kind::kSlash:
      return c == '/';
    case Kind::kNetwork:
      return c == '\\';
    default:
      return false;
  }
}

enum class ParseResult { kOk, kFailed, kTooManySeparators };

// What a parse learns besides the table: whether the name is rooted, that is, whether a join must
// put a directory separator before its first directory (or file) to keep naming the same file.
struct Layout {
  bool rooted = false;
};

void ClearTable(FileNamePartTable* table) {
  table->partsInUse = 4;
  for (auto& part : table->parts) part.count = 0;
}

bool AddElement(FileNamePart* part, int offset, int length) {
  if (part->count >= kMaxElements) return false;
  part->elements[part->count++] = {static_cast<std::uint16_t>(offset), static_cast<std::uint16_t>(length)};
  return true;
}

// Splits a name of a separator syntax. The caller guarantees base + n fits an element offset.
//
// Two stages: while a colon is left in the rest of the text, only colons separate (a double quote
// followed later by `"::` opens an access string whose words blanks separate); then only directory
// separators do. Each element goes to the first part whose end lies after the element's start: the
// node part ends at the last "::", the device part at the last single colon, the directory part at the
// last directory separator, the file part at the end of a text that does not end with a separator.
ParseResult SplitSeparated(const unsigned char* t, int n, Kind kind, int base, FileNamePartTable* table,
                           Layout* layout) {
  struct Token {
    int start;
    int length;
  };
  // Every element but the last is followed by a counted separator, so at most kMaxSeparators + 1
  // elements are kept; the texts that would need more fail on the separator count.
  constexpr int kMaxTokens = kMaxSeparators + 1;
  Token tokens[kMaxTokens];
  int tokenCount = 0;
  int separators = 0;
  int lastSeparatorEnd = -1;
  int nodeEnd = -1, deviceEnd = -1, directoryEnd = -1;

  auto separator = [&](int at, int width) {
    ++separators;
    lastSeparatorEnd = at + width;
  };
  auto element = [&](int start, int end) {
    if (end <= start) return;
    if (tokenCount < kMaxTokens) tokens[tokenCount] = {start, end - start};
    ++tokenCount;
  };
  auto hasColon = [&](int from) { return from < n && std::memchr(t + from, ':', n - from) != nullptr; };

  int pos = 0;
  // Network syntax: a device that starts the text, or the text after the node part. \\server\share
  // is one device element, and the device part ends at the backslash after the share; a drive name is
  // a non-empty run followed by a colon and a backslash. After either, colons are ordinary characters.
  auto networkDevice = [&](int from) {
    if (kind != Kind::kNetwork) return false;
    if (n - from >= 2 && t[from] == '\\' && t[from + 1] == '\\') {
      int serverEnd = from + 2;
      while (serverEnd < n && t[serverEnd] != '\\') ++serverEnd;
      int shareEnd = serverEnd < n ? serverEnd + 1 : n;
      while (shareEnd < n && t[shareEnd] != '\\') ++shareEnd;
      element(from, shareEnd);
      deviceEnd = shareEnd;
      pos = shareEnd;
      return true;
    }
    int i = from;
    while (i < n && t[i] != ':' && t[i] != '\\') ++i;
    if (i > from && i + 1 < n && t[i] == ':' && t[i + 1] == '\\') {
      element(from, i);
      separator(i, 1);
      deviceEnd = i;
      pos = i + 1;
      return true;
    }
    return false;
  };

  bool firstStage = false;
  if (!networkDevice(0)) firstStage = !(kind == Kind::kSlash && n > 0 && t[0] == '/') && hasColon(0);

  int lastQuoteColons = -1;  // the last `"::` of the text
  if (firstStage) {
    for (int q = n - 3; q >= 0; --q) {
      if (t[q] == '"' && t[q + 1] == ':' && t[q + 2] == ':') {
        lastQuoteColons = q;
        break;
      }
    }
  }
  while (firstStage) {
    if (separators > kMaxSeparators) return ParseResult::kTooManySeparators;
    int i = pos;
    while (i < n && t[i] != ':' && !(t[i] == '"' && i < lastQuoteColons)) ++i;
    if (i >= n) return ParseResult::kFailed;  // cannot happen: a colon is left
    element(pos, i);
    if (t[i] == '"') {
      separator(i, 1);
      int close = i + 1;
      while (!(t[close] == '"' && t[close + 1] == ':' && t[close + 2] == ':')) ++close;
      int word = i + 1;
      for (int j = i + 1; j < close; ++j) {
        if (t[j] == ' ') {
          element(word, j);
          separator(j, 1);
          word = j + 1;
        }
      }
      element(word, close);
      separator(close, 1);
      i = close + 1;
    }
    if (i + 1 < n && t[i + 1] == ':') {
      nodeEnd = i + 1;
      separator(i, 2);
      pos = i + 2;
      if (networkDevice(pos)) break;
    } else {
      deviceEnd = i;
      separator(i, 1);
      pos = i + 1;
    }
    // Slash syntax: a path from the root after a node or device holds ordinary colons, as a name that
    // begins with a slash does.
    firstStage = hasColon(pos) && !(kind == Kind::kSlash && pos < n && t[pos] == '/');
  }
  int word = pos;
  for (int j = pos; j < n; ++j) {
    if (IsDirectorySeparator(kind, t[j])) {
      if (separators == kMaxSeparators) return ParseResult::kTooManySeparators;
      element(word, j);
      separator(j, 1);
      directoryEnd = j;
      word = j + 1;
    }
  }
  element(word, n);

  if (separators > kMaxSeparators) return ParseResult::kTooManySeparators;
  if (tokenCount > kMaxTokens) return ParseResult::kFailed;
  const int fileEnd = (n > 0 && lastSeparatorEnd == n) ? -1 : n;

  bool fileSeen = false;
  for (int k = 0; k < tokenCount; ++k) {
    const int s = tokens[k].start, e = s + tokens[k].length;
    int part;
    if (nodeEnd > s) {
      part = kFileNameNode;
    } else if (deviceEnd > s) {
      part = kFileNameDevice;
    } else if (directoryEnd > s) {
      part = kFileNameDirectory;
    } else if (fileEnd > s && !fileSeen) {
      part = kFileNameFile;
    } else {
      return ParseResult::kFailed;  // cannot happen: only the last run lies in the file part
    }
    FileNamePart* target = &table->parts[part];
    if (part != kFileNameFile) {
      if (!AddElement(target, base + s, e - s)) return ParseResult::kFailed;
      continue;
    }
    fileSeen = true;
    // The last dot splits name and extension unless it is the run's first or last character.
    int dot = e - 1;
    while (dot >= s && t[dot] != '.') --dot;
    if (dot > s && dot < e - 1) {
      AddElement(target, base + s, dot - s);
      AddElement(target, base + dot + 1, e - dot - 1);
    } else {
      AddElement(target, base + s, e - s);
    }
  }

  const bool hasDevice = table->parts[kFileNameDevice].count > 0;
  const int afterNode = nodeEnd >= 0 ? nodeEnd + 1 : 0;
  layout->rooted = !hasDevice && afterNode < n && IsDirectorySeparator(kind, t[afterNode]);
  if (kind == Kind::kSlash && (n == 0 || hasDevice)) layout->rooted = true;
  return ParseResult::kOk;
}

// Splits a counted name: count bytes, then length-prefixed elements. Lengths that run past the end of
// the text, or bytes left over after the elements (other than one closing zero byte), fail the parse.
ParseResult SplitCounted(const unsigned char* t, int n, int base, FileNamePartTable* table) {
  const unsigned b0 = n > 0 ? t[0] : 0, b1 = n > 1 ? t[1] : 0;
  if (b0 == 0 || b1 == 0 || (b0 == 0x80 && b1 == 0x80)) return ParseResult::kOk;  // an empty name
  if ((b0 & 0x80) == 0 || (b1 & 0x80) == 0) return ParseResult::kFailed;
  const int counts[4] = {static_cast<int>((b0 >> 4) & 7), static_cast<int>((b0 >> 2) & 3),
                         static_cast<int>(b1 & 0x7f), static_cast<int>(b0 & 3)};
  int pos = 2;
  for (int part = 0; part < 4; ++part) {
    for (int k = 0; k < counts[part]; ++k) {
      if (pos >= n) return ParseResult::kFailed;
      const int length = t[pos];
      if (length > n - pos - 1) return ParseResult::kFailed;
      AddElement(&table->parts[part], base + pos + 1, length);
      pos += 1 + length;
    }
  }
  if (pos < n && !(pos == n - 1 && t[pos] == 0)) return ParseResult::kFailed;
  return ParseResult::kOk;
}

ParseResult ParseText(const ZString& text, int syntax, int base, FileNamePartTable* table, Layout* layout) {
  ClearTable(table);
  *layout = Layout();
  const int n = text.Length();
  if (n > 0xFFFF - base) return ParseResult::kFailed;
  const auto* t = reinterpret_cast<const unsigned char*>(text.c_str());
  const Kind kind = KindOf(syntax);
  switch (kind) {
    case Kind::kUnknown:
      return ParseResult::kFailed;
    case Kind::kCounted:
      return SplitCounted(t, n, base, table);
    default:
      return SplitSeparated(t, n, kind, base, table, layout);
  }
}

void ReportTooManySeparators(const ZString& text) {
  ReportMessage(nullptr, kFacilityFileName, kMessageTooManySeparators, text.c_str());
}

// The joined name, bounded to the longest name a ZFileName holds.
class JoinedName {
 public:
  void Put(const char* p, int length) {
    if (length > kMaxNameLength - size_) {
      overflow_ = true;
      return;
    }
    std::memcpy(text_ + size_, p, static_cast<std::size_t>(length));
    size_ += length;
  }
  void Put(char c) { Put(&c, 1); }

  const char* text() const { return text_; }
  int size() const { return size_; }
  bool overflow() const { return overflow_; }

 private:
  char text_[kMaxNameLength];
  int size_ = 0;
  bool overflow_ = false;
};

// Writes the table back as a name; elements refer to `source`. False when the result cannot be a
// name: empty (under a separator syntax), too long, or not representable in the counted form.
bool Join(const FileNamePartTable& table, const char* source, Kind kind, bool rooted, JoinedName* out) {
  const FileNamePart& node = table.parts[kFileNameNode];
  const FileNamePart& device = table.parts[kFileNameDevice];
  const FileNamePart& directory = table.parts[kFileNameDirectory];
  const FileNamePart& file = table.parts[kFileNameFile];
  auto put = [&](const FileNameElement& e) { out->Put(source + e.offset, e.length); };

  if (kind == Kind::kCounted) {
    // The count bytes hold 3, 2, 7 and 2 bits; a length byte holds 255.
    if (node.count > 7 || device.count > 3 || directory.count > 127 || file.count > 3) return false;
    out->Put(static_cast<char>(0x80 | node.count << 4 | device.count << 2 | file.count));
    out->Put(static_cast<char>(0x80 | directory.count));
    for (const auto& part : table.parts) {
      for (int k = 0; k < part.count; ++k) {
        if (part.elements[k].length > 255) return false;
        out->Put(static_cast<char>(part.elements[k].length));
        put(part.elements[k]);
      }
    }
    return !out->overflow();
  }

  if (node.count > 0) {
    put(node.elements[0]);
    for (int k = 1; k < node.count; ++k) {
      out->Put(k == 1 ? '"' : ' ');
      put(node.elements[k]);
    }
    if (node.count > 1) out->Put('"');
    out->Put("::", 2);
  }
  if (kind == Kind::kSlash) {
    for (int k = 0; k < device.count; ++k) {
      put(device.elements[k]);
      out->Put(':');
    }
    if (device.count > 0) {
      for (int k = 0; k < directory.count; ++k) {
        out->Put('/');
        put(directory.elements[k]);
      }
      // Without a directory the file still follows a slash: dev:/a:b, not dev:a:b, whose colon
      // would end a second device.
      if (directory.count > 0 || file.count > 0) out->Put('/');
    } else {
      if (rooted) out->Put('/');
      for (int k = 0; k < directory.count; ++k) {
        put(directory.elements[k]);
        out->Put('/');
      }
    }
  } else {
    const bool share = kind == Kind::kNetwork && device.count == 1 && device.elements[0].length > 0 &&
                       source[device.elements[0].offset] == '\\';
    if (share) {
      put(device.elements[0]);
      out->Put('\\');
    } else if (device.count > 0) {
      for (int k = 0; k < device.count; ++k) {
        put(device.elements[k]);
        out->Put(':');
      }
      out->Put('\\');
    } else if (rooted) {
      out->Put('\\');
    }
    for (int k = 0; k < directory.count; ++k) {
      put(directory.elements[k]);
      out->Put('\\');
    }
  }
  if (file.count > 0) {
    put(file.elements[0]);
    if (file.count > 1) {
      out->Put('.');
      put(file.elements[1]);
    }
  }
  return !out->overflow() && out->size() > 0;
}

}  // namespace
}  // namespace lumenrt

using lumenrt::Kind;
using lumenrt::KindOf;
using lumenrt::Layout;
using lumenrt::ParseResult;

ZFileName::ZFileName() = default;

ZFileName::ZFileName(const ZString& text, int syntax, int addSeparator)
    : name_(text.Length() > lumenrt::kMaxNameLength ? text.Head(lumenrt::kMaxNameLength) : text),
      syntax_(syntax == -1 ? kSyntaxDefault : syntax) {
  if (addSeparator != 0 && syntax_ != kSyntaxCounted) {
    const char separator = (syntax_ == 2 || syntax_ == 9) ? '/' : '\\';
    if (name_.IsEmpty() || name_[name_.Length() - 1] != separator) name_.Append(separator);
  }
}

ZFileName::ZFileName(const ZFileName& other)
    : ZObject(other), name_(other.name_), syntax_(other.syntax_), parsed_(other.parsed_) {
  if (parsed_ != 0) {
    parts_ = new (std::nothrow) FileNamePartTable(*other.parts_);
    if (parts_ == nullptr) parsed_ = 0;  // the next use parses again
  }
}

ZFileName& ZFileName::operator=(const ZFileName& other) {
  if (this == &other) return *this;
  name_ = other.name_;
  syntax_ = other.syntax_;
  parsed_ = other.parsed_;
  if (parsed_ != 0) {
    if (parts_ == nullptr) parts_ = new (std::nothrow) FileNamePartTable;
    if (parts_ != nullptr) {
      *parts_ = *other.parts_;
    } else {
      parsed_ = 0;
    }
  }
  return *this;
}

ZFileName::~ZFileName() { delete parts_; }

int ZFileName::Parse() {
  if (parts_ == nullptr) parts_ = new (std::nothrow) FileNamePartTable;
  if (parts_ == nullptr) return -1;
  Layout layout;
  ParseResult result = lumenrt::ParseText(name_, syntax_, 0, parts_, &layout);
  parsed_ = result == ParseResult::kOk ? 1 : 0;
  if (result == ParseResult::kTooManySeparators) lumenrt::ReportTooManySeparators(name_);
  return parsed_ != 0 ? 1 : -1;
}

int ZFileName::ElementCount(int part) const {
  if (parsed_ == 0 || parts_ == nullptr || part < 0 || part > 3) return 0;
  return parts_->parts[part].count;
}

ZString ZFileName::ElementText(int part, int index) const {
  if (index < 0 || index >= ElementCount(part)) return ZString();
  const FileNameElement& e = parts_->parts[part].elements[index];
  if (e.offset + e.length > name_.Length()) return ZString();
  return ZString(name_.c_str() + e.offset, e.length);
}

int ZFileName::SetPart(int code, const ZString& text, int raise) {
  const int result = Change(code, text);
  if (result <= 0 && raise != 0)
    throw new ZError(lumenrt::kFacilityFileName, lumenrt::kMessageBadPart, "ZFileName::SetPart", ZString());
  return result;
}

int ZFileName::Change(int code, const ZString& text) {
  using lumenrt::kMaxNameLength;
  if (parts_ == nullptr) parts_ = new (std::nothrow) FileNamePartTable;
  if (parts_ == nullptr) return -1;
  Layout layout;
  const ParseResult parsed = lumenrt::ParseText(name_, syntax_, 0, parts_, &layout);
  if (parsed != ParseResult::kOk) {
    parsed_ = 0;
    if (parsed == ParseResult::kTooManySeparators) lumenrt::ReportTooManySeparators(name_);
    return -1;
  }
  parsed_ = 1;
  if (code < 1 || code > 15) return 0;

  // New elements refer to a scratch copy that holds the name followed by the text.
  const int nameLength = name_.Length(), textLength = text.Length();
  if (textLength > kMaxNameLength - nameLength) return 0;
  char scratch[kMaxNameLength];
  std::memcpy(scratch, name_.c_str(), static_cast<std::size_t>(nameLength));
  std::memcpy(scratch + nameLength, text.c_str(), static_cast<std::size_t>(textLength));

  // The change is made on a copy, so that a refusal leaves the name and its table as they were.
  std::unique_ptr<FileNamePartTable> work(new (std::nothrow) FileNamePartTable(*parts_));
  if (work == nullptr) return 0;

  const Kind kind = KindOf(syntax_);
  const bool setting = textLength > 0;
  if (code <= 10 || code == 15) {
    int part, index;
    if (code <= 5) {
      part = kFileNameNode;
      index = code - 1;
    } else if (code == 6) {
      part = kFileNameDevice;
      index = 0;
    } else if (code == 7) {
      part = kFileNameDirectory;
      index = setting ? work->parts[part].count : work->parts[part].count - 1;
    } else if (code <= 10) {
      part = kFileNameFile;
      index = code - 8;
    } else {
      part = -1;
      for (int p : {kFileNameFile, kFileNameDirectory, kFileNameDevice, kFileNameNode}) {
        if (work->parts[p].count > 0) {
          part = p;
          break;
        }
      }
      if (part < 0) return 0;
      index = setting ? work->parts[part].count : work->parts[part].count - 1;
    }
    FileNamePart& target = work->parts[part];
    if (setting) {
      if (index > target.count || index >= lumenrt::kMaxElements) return 0;
      target.elements[index] = {static_cast<std::uint16_t>(nameLength),
                                static_cast<std::uint16_t>(textLength)};
      if (index == target.count) ++target.count;
    } else {
      if (index > target.count) return 0;
      // Only the last element goes; an earlier one, or one just past the end, leaves the part as it is.
      if (target.count > 0 && index == target.count - 1) --target.count;
    }
  } else {
    const int part = code - 11;
    FileNamePart& target = work->parts[part];
    if (!setting) {
      target.count = 0;
    } else {
      std::unique_ptr<FileNamePartTable> incoming(new (std::nothrow) FileNamePartTable);
      if (incoming == nullptr) return 0;
      Layout unused;
      const ParseResult r = lumenrt::ParseText(text, syntax_, nameLength, incoming.get(), &unused);
      if (r != ParseResult::kOk) {
        if (r == ParseResult::kTooManySeparators) lumenrt::ReportTooManySeparators(text);
        return 0;
      }
      const FileNamePart* source = &incoming->parts[part];
      if (source->count == 0 && part != kFileNameFile) {
        source = &incoming->parts[kFileNameFile];
        // A file run such as host.example taken as a node, device or directory stays one element
        // (name, dot and extension), rather than becoming two.
        if (kind != Kind::kCounted && source->count == 2) {
          const FileNameElement first = source->elements[0], last = source->elements[1];
          target.count = 1;
          target.elements[0] = {first.offset,
                                static_cast<std::uint16_t>(last.offset + last.length - first.offset)};
          source = nullptr;
        }
      }
      if (source != nullptr) {
        target.count = source->count;
        std::memcpy(target.elements, source->elements, sizeof(FileNameElement) * source->count);
      }
    }
  }

  std::unique_ptr<lumenrt::JoinedName> joined(new (std::nothrow) lumenrt::JoinedName);
  if (joined == nullptr) return 0;
  if (!lumenrt::Join(*work, scratch, kind, layout.rooted, joined.get())) return 0;
  name_ = ZString(std::string_view(joined->text(), static_cast<std::size_t>(joined->size())));
  parsed_ = 0;
  return 1;
}
