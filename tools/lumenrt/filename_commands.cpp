// lumenrt filename parse|set: splitting and changing file names.
#include <iostream>
#include <memory>
#include <optional>
#include <string>

#include "lumenrt/core/zfilename.h"

#include "command.h"
#include "records.h"

namespace lumenrt::tool {
namespace {

constexpr const char kSyntaxHelp[] =
    "S: 0, 1, 4, 7 drive; 2, 9 slash; 8 network (the default); 119 counted.\n"
    "Under syntax 119 NAME and T are hexadecimal bytes (blanks between bytes allowed), and set prints the "
    "name in hexadecimal.";

struct FilenameRequest {
  long long syntax = -1;  // -1: the default syntax
  std::string name;
  long long part = 0;
  std::string text;
};

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

int Syntax(const FilenameRequest& r) { return r.syntax == -1 ? kSyntaxDefault : static_cast<int>(r.syntax); }

int RunParse(const FilenameRequest& r) {
  const int syntax = Syntax(r);
  std::optional<ZString> text = ReadText(r.name, syntax);
  if (!text) return Fail(kExitUsage, "NAME must be hexadecimal bytes under syntax 119");
  ZFileName name(*text, syntax);
  if (name.Parse() != 1)
    return Fail(kExitUsage, "cannot parse the name under syntax " + std::to_string(name.Syntax()));
  static constexpr const char* kParts[4] = {"node", "device", "directory", "file"};
  Records records({"part", "element", "text"});
  for (int part = 0; part < 4; ++part)
    for (int k = 0; k < name.ElementCount(part); ++k)
      records.Add({kParts[part], k, std::string(name.ElementText(part, k).view())});
  records.Print();
  return kExitOk;
}

int RunSet(const FilenameRequest& r) {
  const int syntax = Syntax(r);
  std::optional<ZString> text = ReadText(r.text, syntax);
  if (!text) return Fail(kExitUsage, "--text must be hexadecimal bytes under syntax 119");
  std::optional<ZString> given = ReadText(r.name, syntax);
  if (!given) return Fail(kExitUsage, "NAME must be hexadecimal bytes under syntax 119");

  ZFileName name(*given, syntax);
  const int result = name.SetPart(static_cast<int>(r.part), *text);
  std::cout << (syntax == kSyntaxCounted ? ToHex(name.GetName()) : std::string(name.GetName().view()))
            << '\n';
  if (result < 0)
    return Fail(kExitUsage, "cannot parse the name under syntax " + std::to_string(name.Syntax()));
  return result > 0 ? kExitOk : kExitNone;
}

const Registration kFilenameCommands{[](CLI::App& tool) {
  auto r = std::make_shared<FilenameRequest>();
  CLI::App* group = AddCommand(tool, "filename", "file names: their parts, and changing one");
  group->footer(kSyntaxHelp);
  AddInteger(*group, "--syntax", r->syntax, -2147483647LL - 1, 2147483647LL, "S", "the file-name syntax");
  CLI::App* parse = AddCommand(*group, "parse",
                               "print the elements of NAME, one a line: its part (node, device, directory, "
                               "file), its number in the part (from 0), its text",
                               [r] { return RunParse(*r); });
  parse->footer(kSyntaxHelp);
  parse->add_option("NAME", r->name, "the file name")->required();
  AddJsonFlag(*parse);
  AddExamples(*parse, {"lumenrt filename parse '\\\\srv\\share\\dir\\file.txt'",
                       "lumenrt filename parse --syntax 9 /usr/lib/libz.so --json"});
  CLI::App* set = AddCommand(
      *group, "set", "change one part of NAME (codes 1-15; an empty text removes) and print the result",
      [r] { return RunSet(*r); });
  set->footer(kSyntaxHelp);
  AddInteger(*set, "--part", r->part, -2147483647LL - 1, 2147483647LL, "CODE", "the part to change")
      ->required();
  set->add_option("--text", r->text, "the new text of the part (default: empty, which removes it)")
      ->type_name("T");
  set->add_option("NAME", r->name, "the file name")->required();
  AddExamples(*set, {"lumenrt filename set --part 9 --text log '\\\\srv\\share\\dir\\file.txt'",
                     "lumenrt filename set --syntax 9 --part 7 --text lib /usr/x.so"});
}};

}  // namespace
}  // namespace lumenrt::tool
