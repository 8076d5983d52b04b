// lumenrt filename parse|set: splitting and changing file names.
#include <iostream>
#include <optional>
#include <string>

#include "lumenrt/core/zfilename.h"

#include "command.h"

namespace lumenrt::tool {
namespace {

constexpr const char kParseUsage[] = "filename parse [--syntax S] NAME";
constexpr const char kSetUsage[] = "filename set [--syntax S] --part CODE [--text T] NAME";
constexpr const char kUsage[] =
    "filename parse [--syntax S] NAME\n"
    "       lumenrt filename set [--syntax S] --part CODE [--text T] NAME\n"
    "  S: 0, 1, 4, 7 drive; 2, 9 slash; 8 network (the default); 119 counted.\n"
    "  Under syntax 119 NAME and T are hexadecimal bytes (blanks between bytes allowed), and set\n"
    "  prints the name in hexadecimal.";

std::optional<std::string> FromHex(const std::string& hex) {
  std::string bytes;
  int high = -1;
  for (char c : hex) {
    if (c == ' ' && high < 0) continue;
    int v;
    if (c >= '0' && c <= '9') {
      v = c - '0';
    } else if (c >= 'a' && c <= 'f') {
      v = c - 'a' + 10;
    } else if (c >= 'A' && c <= 'F') {
      v = c - 'A' + 10;
    } else {
      return std::nullopt;
    }
    if (high < 0) {
      high = v;
    } else {
      bytes.push_back(static_cast<char>(high << 4 | v));
      high = -1;
    }
  }
  if (high >= 0) return std::nullopt;
  return bytes;
}

std::string ToHex(const ZString& text) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string out;
  for (unsigned char c : text.view()) {
    out.push_back(kDigits[c >> 4]);
    out.push_back(kDigits[c & 15]);
  }
  return out;
}

// The name (or text) argument as bytes: hexadecimal under the counted syntax.
std::optional<ZString> ReadText(const std::string& given, int syntax) {
  if (syntax != kSyntaxCounted) return ZString(std::string_view(given));
  std::optional<std::string> bytes = FromHex(given);
  if (!bytes) return std::nullopt;
  return ZString(std::string_view(*bytes));
}

int RunParse(const Parsed& p, int syntax) {
  if (p.positional().size() != 2)
    return Fail(kExitUsage, std::string("expected one NAME (usage: lumenrt ") + kParseUsage + ")");
  std::optional<ZString> text = ReadText(p.positional()[1], syntax);
  if (!text) return Fail(kExitUsage, "NAME must be hexadecimal bytes under syntax 119");
  ZFileName name(*text, syntax);
  if (name.Parse() != 1)
    return Fail(kExitUsage, "cannot parse the name under syntax " + std::to_string(name.Syntax()));
  static constexpr const char* kParts[4] = {"node", "device", "directory", "file"};
  for (int part = 0; part < 4; ++part) {
    std::cout << kParts[part];
    for (int k = 0; k < name.ElementCount(part); ++k) std::cout << '\t' << name.ElementText(part, k).view();
    std::cout << '\n';
  }
  return kExitOk;
}

int RunSet(const Parsed& p, int syntax) {
  if (p.positional().size() != 2)
    return Fail(kExitUsage, std::string("expected one NAME (usage: lumenrt ") + kSetUsage + ")");
  std::optional<std::string> partText = p.Get("part");
  if (!partText)
    return Fail(kExitUsage, std::string("--part is required (usage: lumenrt ") + kSetUsage + ")");
  std::optional<long long> code = ParseInteger(*partText, -2147483647LL - 1, 2147483647LL);
  if (!code) return Fail(kExitUsage, "--part must be a number");
  std::optional<ZString> text = ReadText(p.Get("text").value_or(""), syntax);
  if (!text) return Fail(kExitUsage, "--text must be hexadecimal bytes under syntax 119");
  std::optional<ZString> given = ReadText(p.positional()[1], syntax);
  if (!given) return Fail(kExitUsage, "NAME must be hexadecimal bytes under syntax 119");

  ZFileName name(*given, syntax);
  const int result = name.SetPart(static_cast<int>(*code), *text);
  std::cout << (syntax == kSyntaxCounted ? ToHex(name.GetName()) : std::string(name.GetName().view()))
            << '\n';
  if (result < 0)
    return Fail(kExitUsage, "cannot parse the name under syntax " + std::to_string(name.Syntax()));
  return result > 0 ? kExitOk : kExitNone;
}

int RunFilename(const Args& args) {
  Parsed p(args, {"syntax", "part", "text"});
  if (auto done = CheckParsed(p, kUsage)) return *done;
  if (p.positional().empty())
    return Fail(kExitUsage, std::string("expected parse or set (usage: lumenrt ") + kUsage + ")");
  int syntax = -1;
  if (auto s = p.Get("syntax")) {
    std::optional<long long> v = ParseInteger(*s, -2147483647LL - 1, 2147483647LL);
    if (!v) return Fail(kExitUsage, "--syntax must be a number");
    syntax = static_cast<int>(*v);
  }
  if (syntax == -1) syntax = kSyntaxDefault;
  const std::string& verb = p.positional()[0];
  if (verb == "parse") {
    if (p.Has("part") || p.Has("text"))
      return Fail(kExitUsage,
                  std::string("parse takes no --part or --text (usage: lumenrt ") + kParseUsage + ")");
    return RunParse(p, syntax);
  }
  if (verb == "set") return RunSet(p, syntax);
  return Fail(kExitUsage, "unknown filename command '" + verb + "' (expected parse or set)");
}

const Command kParse{"filename", kParseUsage,
                     "print the node, device, directory and file elements of NAME, one part a line",
                     RunFilename};
const Command kSet{"filename", kSetUsage,
                   "change one part of NAME (codes 1-15; an empty text removes) and print the result",
                   RunFilename};

}  // namespace
}  // namespace lumenrt::tool
