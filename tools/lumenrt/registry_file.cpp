#include "registry_file.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace lumenrt::tool::regfile {
namespace {

constexpr std::string_view kHeader5 = "Windows Registry Editor Version 5.00";
constexpr std::string_view kHeader4 = "REGEDIT4";
constexpr std::string_view kRoot = "HKEY_LOCAL_MACHINE";
constexpr std::size_t kMaxKeyComponent = 255;
constexpr std::size_t kMaxValueName = 16383;
constexpr int kTypeString = 1, kTypeExpandString = 2, kTypeBinary = 3, kTypeDword = 4, kTypeMultiString = 7;
constexpr std::size_t kWrapColumn = 79;  // a hex line's text before its backslash stays within this

bool IsText(int type) { return type == kTypeString || type == kTypeExpandString || type == kTypeMultiString; }

char Fold(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c; }

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (Fold(a[i]) != Fold(b[i])) return false;
  return true;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// 1 to `maxDigits` hexadecimal digits, the whole text.
std::optional<std::uint32_t> ParseHex(std::string_view text, std::size_t maxDigits) {
  if (text.empty() || text.size() > maxDigits) return std::nullopt;
  std::uint32_t n = 0;
  for (char c : text) {
    const int d = HexDigit(c);
    if (d < 0) return std::nullopt;
    n = n << 4 | static_cast<std::uint32_t>(d);
  }
  return n;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

void AppendUtf16(std::string* out, std::uint32_t unit) {
  out->push_back(static_cast<char>(unit & 0xFF));
  out->push_back(static_cast<char>(unit >> 8));
}

// UTF-8 to UTF-16LE; false for anything that is not well-formed UTF-8 (overlong forms, surrogates,
// code points above U+10FFFF, cut sequences).
bool Utf8ToUtf16(std::string_view in, std::string* out) {
  out->clear();
  for (std::size_t i = 0; i < in.size();) {
    const auto lead = static_cast<unsigned char>(in[i]);
    std::size_t length;
    std::uint32_t cp, min;
    if (lead < 0x80) {
      length = 1, cp = lead, min = 0;
    } else if ((lead & 0xE0) == 0xC0) {
      length = 2, cp = lead & 0x1Fu, min = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
      length = 3, cp = lead & 0x0Fu, min = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
      length = 4, cp = lead & 0x07u, min = 0x10000;
    } else {
      return false;
    }
    if (in.size() - i < length) return false;
    for (std::size_t k = 1; k < length; ++k) {
      const auto c = static_cast<unsigned char>(in[i + k]);
      if ((c & 0xC0) != 0x80) return false;
      cp = cp << 6 | (c & 0x3Fu);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    if (cp >= 0x10000) {
      AppendUtf16(out, 0xD800 + ((cp - 0x10000) >> 10));
      AppendUtf16(out, 0xDC00 + ((cp - 0x10000) & 0x3FF));
    } else {
      AppendUtf16(out, cp);
    }
    i += length;
  }
  return true;
}

// UTF-16LE to UTF-8; false for an odd number of bytes or a lone surrogate, with *bad the offset of
// the faulty unit.
bool Utf16ToUtf8(std::string_view in, std::string* out, std::size_t* bad = nullptr) {
  out->clear();
  const auto unitAt = [&](std::size_t i) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(in[i])) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(in[i + 1])) << 8;
  };
  for (std::size_t i = 0; i < in.size(); i += 2) {
    if (bad != nullptr) *bad = i;
    if (in.size() - i < 2) return false;
    std::uint32_t cp = unitAt(i);
    if (cp >= 0xDC00 && cp <= 0xDFFF) return false;
    if (cp >= 0xD800 && cp <= 0xDBFF) {
      if (in.size() - i < 4) return false;
      const std::uint32_t low = unitAt(i + 2);
      if (low < 0xDC00 || low > 0xDFFF) return false;
      cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
      i += 2;
    }
    if (cp < 0x80) {
      out->push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      out->push_back(static_cast<char>(0xC0 | cp >> 6));
      out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out->push_back(static_cast<char>(0xE0 | cp >> 12));
      out->push_back(static_cast<char>(0x80 | (cp >> 6 & 0x3F)));
      out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out->push_back(static_cast<char>(0xF0 | cp >> 18));
      out->push_back(static_cast<char>(0x80 | (cp >> 12 & 0x3F)));
      out->push_back(static_cast<char>(0x80 | (cp >> 6 & 0x3F)));
      out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }
  return true;
}

// A quoted name or text at the start of *s, with \\ and \" undone; *s is left after the closing quote.
std::optional<std::string> Unquote(std::string_view* s, std::string* reason) {
  std::string text;
  for (std::size_t i = 1; i < s->size(); ++i) {
    const char c = (*s)[i];
    if (c == '"') {
      s->remove_prefix(i + 1);
      return text;
    }
    if (c == '\\') {
      if (i + 1 == s->size() || ((*s)[i + 1] != '\\' && (*s)[i + 1] != '"')) {
        *reason = "a backslash in quotes must be \\\\ or \\\"";
        return std::nullopt;
      }
      ++i;
    }
    text.push_back((*s)[i]);
  }
  *reason = "a quoted text without its closing quote";
  return std::nullopt;
}

std::string Quote(std::string_view text) {
  std::string q = "\"";
  for (char c : text) {
    if (c == '\\' || c == '"') q.push_back('\\');
    q.push_back(c);
  }
  return q + "\"";
}

// What the file's text says is wrong with a line, or nothing.
using Reason = std::optional<std::string>;

Reason CheckKeyPath(std::string_view path) {
  for (std::size_t start = 0; !path.empty();) {
    const std::size_t end = path.find('\\', start);
    const std::size_t length = (end == std::string_view::npos ? path.size() : end) - start;
    if (length == 0) return "an empty key name in '" + std::string(path) + "'";
    if (length > kMaxKeyComponent) return "a key name longer than 255 characters";
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  return std::nullopt;
}

// "[HKEY_LOCAL_MACHINE\PATH]" (trimmed) into *path.
Reason ParseKeyLine(std::string_view line, std::string* path) {
  if (line.size() < 2 || line.back() != ']') return "a key line must end with ']'";
  std::string_view inner = line.substr(1, line.size() - 2);
  if (!inner.empty() && inner.front() == '-') return "deleting a key ([-...]) is not supported";
  const std::size_t slash = inner.find('\\');
  const std::string_view root = inner.substr(0, slash);
  if (!SameName(root, kRoot))
    return "key outside HKEY_LOCAL_MACHINE: '" + std::string(root) + "' (only HKEY_LOCAL_MACHINE is taken)";
  *path = slash == std::string_view::npos ? std::string() : std::string(inner.substr(slash + 1));
  return CheckKeyPath(*path);
}

// A comma-separated list of hexadecimal bytes (a comma may end it).
Reason ParseHexBytes(std::string_view list, std::string* bytes) {
  bytes->clear();
  list = Trim(list);
  if (list.empty()) return std::nullopt;
  for (std::size_t start = 0;;) {
    const std::size_t comma = list.find(',', start);
    const std::string_view item =
        Trim(list.substr(start, comma == std::string_view::npos ? comma : comma - start));
    if (item.empty() && comma == std::string_view::npos && start > 0) break;  // a closing comma
    const auto byte = ParseHex(item, 2);
    if (!byte) return "not a hexadecimal byte: '" + std::string(item.substr(0, 16)) + "'";
    bytes->push_back(static_cast<char>(*byte));
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  return std::nullopt;
}

// The data after '=' of a value line; `more` gives the following lines for a continued hex list.
template <typename NextLine>
Reason ParseData(std::string_view data, Format format, NextLine more, Value* value) {
  if (!data.empty() && data.front() == '"') {
    std::string reason;
    auto text = Unquote(&data, &reason);
    if (!text) return reason;
    if (!Trim(data).empty()) return "text after the closing quote";
    value->type = kTypeString;
    value->data = *text + '\0';
    return std::nullopt;
  }
  if (data == "-") return "deleting a value (=-) is not supported";
  if (data.size() >= 6 && SameName(data.substr(0, 6), "dword:")) {
    const auto n = ParseHex(data.substr(6), 8);
    if (!n) return "dword: needs 1 to 8 hexadecimal digits";
    value->type = kTypeDword;
    value->data = {static_cast<char>(*n), static_cast<char>(*n >> 8), static_cast<char>(*n >> 16),
                   static_cast<char>(*n >> 24)};
    return std::nullopt;
  }
  if (data.size() < 4 || !SameName(data.substr(0, 3), "hex")) {
    return "unknown data (not \"text\", dword:, hex: or hex(N):): '" + std::string(data.substr(0, 16)) + "'";
  }
  std::string_view rest = data.substr(3);
  value->type = kTypeBinary;
  if (rest.front() == '(') {
    const std::size_t close = rest.find(')');
    const auto type = close == std::string_view::npos ? std::nullopt : ParseHex(rest.substr(1, close - 1), 8);
    if (!type) return "hex(N): needs a type of 1 to 8 hexadecimal digits";
    value->type = static_cast<int>(*type);
    rest.remove_prefix(close + 1);
  }
  if (rest.empty() || rest.front() != ':') return "a ':' must follow hex or hex(N)";
  std::string list(Trim(rest.substr(1)));
  while (!list.empty() && list.back() == '\\') {
    list.pop_back();
    const std::optional<std::string_view> next = more();
    if (!next || Trim(*next).empty()) return "a continued hex list without its next line";
    list += Trim(*next);
  }
  std::string bytes;
  if (Reason r = ParseHexBytes(list, &bytes)) return r;
  if (format == Format::kVersion5 && IsText(value->type)) {
    if (!Utf16ToUtf8(bytes, &value->data))
      return "text data of type " + std::to_string(value->type) +
             " is not UTF-16LE (an odd length or a lone surrogate)";
  } else {
    value->data = std::move(bytes);
  }
  return std::nullopt;
}

// The file as 8-bit text: a format 5 file's UTF-16LE converted to UTF-8.
std::optional<ParseError> Decode(std::string_view file, std::string* text) {
  if (file.substr(0, 2) == "\xFF\xFE") {
    std::size_t bad = 0;
    if (!Utf16ToUtf8(file.substr(2), text, &bad)) {
      int line = 1;
      for (char c : *text) line += c == '\n';
      return ParseError{line, "not UTF-16LE text (an odd length or a lone surrogate)"};
    }
  } else {
    *text = file.substr(0, 3) == "\xEF\xBB\xBF" ? file.substr(3) : file;
  }
  return std::nullopt;
}

}  // namespace

std::optional<ParseError> Parse(std::string_view file, std::vector<Key>* keys) {
  keys->clear();
  std::string text;
  if (auto error = Decode(file, &text)) return error;
  std::vector<std::string_view> lines;
  for (std::size_t start = 0; start <= text.size();) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string_view line(text.data() + start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    start = end + 1;
  }
  const std::string_view header = Trim(lines[0]);
  if (header != kHeader5 && header != kHeader4)
    return ParseError{1, "not a registry file: the first line must be '" + std::string(kHeader5) + "' or '" +
                             std::string(kHeader4) + "'"};
  const Format format = header == kHeader5 ? Format::kVersion5 : Format::kRegedit4;

  Key* current = nullptr;
  for (std::size_t i = 1; i < lines.size(); ++i) {
    const int number = static_cast<int>(i + 1);
    const std::string_view line = Trim(lines[i]);
    const auto fault = [number](std::string reason) { return ParseError{number, std::move(reason)}; };
    if (line.empty() || line.front() == ';') continue;
    if (line.front() == '[') {
      std::string path;
      if (Reason r = ParseKeyLine(line, &path)) return fault(*r);
      current = nullptr;
      for (Key& k : *keys)
        if (SameName(k.path, path)) current = &k;
      if (current == nullptr) current = &keys->emplace_back(Key{std::move(path), {}});
      continue;
    }
    if (line.front() != '"' && line.front() != '@') return fault("not a key, a value or a comment");
    if (current == nullptr) return fault("a value before the first key");
    Value value;
    std::string_view rest = line;
    if (rest.front() == '@') {
      rest.remove_prefix(1);
    } else {
      std::string reason;
      auto name = Unquote(&rest, &reason);
      if (!name) return fault(reason);
      if (name->size() > kMaxValueName) return fault("a value name longer than 16383 characters");
      value.name = std::move(*name);
    }
    rest = Trim(rest);
    if (rest.empty() || rest.front() != '=') return fault("a '=' must follow the value name");
    const auto more = [&]() -> std::optional<std::string_view> {
      if (i + 1 >= lines.size()) return std::nullopt;
      return lines[++i];
    };
    if (Reason r = ParseData(Trim(rest.substr(1)), format, more, &value)) return fault(*r);
    bool replaced = false;
    for (Value& v : current->values) {
      if (SameName(v.name, value.name)) {
        v = value;
        replaced = true;
      }
    }
    if (!replaced) current->values.push_back(std::move(value));
  }
  return std::nullopt;
}

namespace {

bool HasLineBreak(std::string_view s) { return s.find_first_of("\r\n") != std::string_view::npos; }

// A text the writer may put in quotes: one terminating zero, no other, no line break.
bool Quotable(const Value& v) {
  if (v.type != kTypeString || v.data.empty() || v.data.back() != '\0') return false;
  const std::string_view text(v.data.data(), v.data.size() - 1);
  return text.find('\0') == std::string_view::npos && !HasLineBreak(text);
}

void AppendHexList(std::string prefix, std::string_view bytes, std::string* out) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string& line = prefix;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (line.size() + 3 > kWrapColumn) {
      *out += line + "\\\r\n";
      line = "  ";
    }
    const auto b = static_cast<unsigned char>(bytes[i]);
    line += kDigits[b >> 4];
    line += kDigits[b & 0xF];
    if (i + 1 < bytes.size()) line += ',';
  }
  *out += line + "\r\n";
}

}  // namespace

std::optional<std::string> Write(const std::vector<Key>& keys, Format format, std::string* problem) {
  const bool five = format == Format::kVersion5;
  std::string text = std::string(five ? kHeader5 : kHeader4) + "\r\n\r\n";
  std::string unused;
  const auto writable = [&](std::string_view name) {
    return !HasLineBreak(name) && (!five || Utf8ToUtf16(name, &unused));
  };
  for (const Key& key : keys) {
    const std::string full = key.path.empty() ? std::string(kRoot) : std::string(kRoot) + "\\" + key.path;
    if (!writable(key.path)) {
      *problem =
          "cannot write the key name " + full + (five ? " (a line break, or not UTF-8)" : " (a line break)");
      return std::nullopt;
    }
    text += "[" + full + "]\r\n";
    for (const Value& v : key.values) {
      const std::string where = full + "\\" + (v.name.empty() ? "@" : v.name);
      if (!writable(v.name)) {
        *problem = "cannot write the value name " + where +
                   (five ? " (a line break, or not UTF-8)" : " (a line break)");
        return std::nullopt;
      }
      std::string line = v.name.empty() ? "@=" : Quote(v.name) + "=";
      std::string converted;
      if (five && IsText(v.type) && !Utf8ToUtf16(v.data, &converted)) {
        *problem =
            "cannot write " + where + " in format 5: its text is not UTF-8 (--regedit4 keeps the bytes)";
        return std::nullopt;
      }
      if (Quotable(v)) {
        text += line + Quote(std::string_view(v.data.data(), v.data.size() - 1)) + "\r\n";
      } else if (v.type == kTypeDword && v.data.size() == 4) {
        char digits[9];
        const auto b = [&](int i) {
          return static_cast<std::uint32_t>(static_cast<unsigned char>(v.data[i]));
        };
        std::snprintf(digits, sizeof digits, "%08x", b(0) | b(1) << 8 | b(2) << 16 | b(3) << 24);
        text += line + "dword:" + digits + "\r\n";
      } else {
        char type[16];
        std::snprintf(type, sizeof type, "hex(%x):", static_cast<unsigned>(v.type));
        AppendHexList(line + (v.type == kTypeBinary ? "hex:" : type),
                      five && IsText(v.type) ? std::string_view(converted) : std::string_view(v.data), &text);
      }
    }
    text += "\r\n";
  }
  if (!five) return text;
  std::string file = "\xFF\xFE";
  std::string utf16;
  if (!Utf8ToUtf16(text, &utf16)) {  // every part was checked above
    *problem = "cannot write the file as UTF-16LE";
    return std::nullopt;
  }
  return file + utf16;
}

}  // namespace lumenrt::tool::regfile
