#include "lumenrt/core/message_format.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <unordered_map>

#include "lumenrt/core/internal/built_in_messages.h"
#include "lumenrt/core/internal/catalogue_store.h"
#include "lumenrt/core/internal/format_conversion.h"
#include "lumenrt/core/internal/text_file.h"
#include "lumenrt/platform/internal/string_tables.h"
#include "lumenrt/platform/internal/text_helpers.h"
#include "lumenrt/platform/message_module.h"

namespace lumenrt {
namespace {

struct BuiltInFormat {
  std::uint32_t id;
  const char* format;
};

// The string table of the library's own image.
constexpr BuiltInFormat kBuiltInFormats[] = {
    {4099, "%s-E-PLGUNLOAD, unable to unload the plug-in modules: %s"},
    {4101, "%s-E-SYSERR, system error: %s"},
    {4109, "%s-F-NOMEMORY, unable to allocate %d bytes of memory"},
    {4152, "%s-E-LOGWRITE, unable to write a message to log file %s"},
    {4164, "%s-E-TOOMANYSEP, file name has more than 64 separators: %s"},
    {4314, "%s-I-VERSION, version %s"},
    {4320, "%s-E-REGISTRY, registry operation failed on %s"},
    {4352, "%s-E-BADPART, file name part cannot be set by %s"},
    {4456, "%s-E-BADVALUE, %s"},
};

// Catalogues are small text files; anything larger is refused rather than read into memory.
constexpr std::size_t kMaxCatalogueBytes = 16 * 1024 * 1024;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool IsUnsupportedLetter(char c) { return c != '\0' && std::strchr("SCeEfFgGaApnm", c) != nullptr; }

// Reads digits at format[i] into *value (limited to kMaxFieldWidth); advances i.
void ReadField(std::string_view format, std::size_t& i, int* value) {
  long long v = 0;
  while (i < format.size() && format[i] >= '0' && format[i] <= '9') {
    v = std::min<long long>(v * 10 + (format[i] - '0'), kMaxFieldWidth);
    ++i;
  }
  *value = static_cast<int>(v);
}

std::string Quoted(std::string_view s) { return "\"" + std::string(s) + "\""; }

}  // namespace

const char* BuiltInMessageFormat(std::uint32_t id) {
  for (const auto& entry : kBuiltInFormats)
    if (entry.id == id) return entry.format;
  return nullptr;
}

void InstallBuiltInMessageTable() {
  if (platform::OwnStringTableInUse() != &BuiltInMessageFormat)
    platform::SetOwnStringTable(&BuiltInMessageFormat);
}

FormatConversion ParseFormatConversion(std::string_view format, std::size_t at) {
  FormatConversion c;
  std::size_t i = at + 1;
  if (i < format.size() && format[i] == '%') {
    c.kind = FormatConversion::kPercent;
    c.length = 2;
    c.letter = '%';
    return c;
  }
  bool star = false;
  std::size_t flagsStart = i;
  while (i < format.size() && std::strchr("-+ #0", format[i]) != nullptr && format[i] != '\0') ++i;
  c.flags = format.substr(flagsStart, i - flagsStart);
  c.leftAlign = c.flags.find('-') != std::string_view::npos;
  if (i < format.size() && format[i] == '*') {
    star = true;
    ++i;
  } else if (i < format.size() && format[i] >= '0' && format[i] <= '9') {
    ReadField(format, i, &c.width);
  }
  if (i < format.size() && format[i] == '.') {
    ++i;
    if (i < format.size() && format[i] == '*') {
      star = true;
      ++i;
    } else {
      ReadField(format, i, &c.precision);  // "." alone is precision 0
    }
  }
  bool oddLength = false;
  std::size_t lengthStart = i;
  while (i < format.size() && std::strchr("hlLqjzt", format[i]) != nullptr && format[i] != '\0') ++i;
  std::string_view length = format.substr(lengthStart, i - lengthStart);
  if (length == "h") {
    c.lengthModifier = 'h';
  } else if (length == "hh") {
    c.lengthModifier = 'H';
  } else if (length == "l") {
    c.lengthModifier = 'l';
  } else if (!length.empty()) {
    oddLength = true;
  }
  if (i >= format.size()) return c;  // incomplete: the "%" stands for itself
  char letter = format[i];
  bool number = std::strchr("diouxXc", letter) != nullptr && letter != '\0';
  bool text = letter == 's';
  if (!number && !text && !IsUnsupportedLetter(letter)) return c;
  c.letter = letter;
  c.length = i + 1 - at;
  if (star || oddLength || IsUnsupportedLetter(letter) || (text && c.lengthModifier != 0)) {
    c.kind = FormatConversion::kUnsupported;
  } else {
    c.kind = text ? FormatConversion::kText : FormatConversion::kNumber;
  }
  return c;
}

MessageFormatCheck CheckMessageFormat(std::string_view format) {
  MessageFormatCheck check;
  auto fail = [&check](std::string problem) {
    check.ok = false;
    check.problem = std::move(problem);
    return check;
  };
  if (format.empty()) return fail("the format is empty");
  if (format.size() > static_cast<std::size_t>(kMaxMessageFormatLength))
    return fail("the format has " + std::to_string(format.size()) + " characters, at most " +
                std::to_string(kMaxMessageFormatLength) + " are allowed");
  for (std::size_t i = 0; i < format.size(); ++i) {
    unsigned char ch = static_cast<unsigned char>(format[i]);
    if ((ch < 0x20 && ch != '\t') || ch == 0x7f)
      return fail("control character " + std::to_string(ch) + " at character " + std::to_string(i + 1));
  }
  for (std::size_t i = 0; i < format.size();) {
    if (format[i] != '%') {
      ++i;
      continue;
    }
    FormatConversion c = ParseFormatConversion(format, i);
    std::string_view written = format.substr(i, c.length);
    std::string where = " at character " + std::to_string(i + 1);
    switch (c.kind) {
      case FormatConversion::kPercent:
        if (i + 2 < format.size() && format[i + 2] == 's')
          return fail("\"%%s\"" + where + " would be taken for a place of the argument");
        break;
      case FormatConversion::kIncomplete:
        return fail("incomplete conversion \"%\"" + where + " (write \"%%\" for a percent sign)");
      case FormatConversion::kUnsupported:
        return fail("conversion " + Quoted(written) + where + " is not allowed");
      case FormatConversion::kText:
      case FormatConversion::kNumber:
        ++check.conversions;
        if (check.conversions == 1 && c.kind != FormatConversion::kText)
          return fail("the first conversion receives the facility code and must be \"%s\", not " +
                      Quoted(written));
        if (check.conversions > 2)
          return fail("conversion " + Quoted(written) + where +
                      " is one too many: a format takes the facility code and one argument");
        if (check.conversions == 2) check.argumentConversion = c.letter;
        break;
    }
    i += c.length;
  }
  return check;
}

ModuleHandle ParseMessageCatalogue(std::string_view text, const char* name, std::string* error) {
  std::string fileName = name != nullptr ? name : "(catalogue)";
  auto fail = [&](int line, const std::string& problem) -> ModuleHandle {
    if (error != nullptr) *error = fileName + ":" + std::to_string(line) + ": " + problem;
    return nullptr;
  };
  try {
    std::unordered_map<std::uint32_t, std::string> entries;
    std::unordered_map<std::uint32_t, int> definedOn;
    int lineNumber = 0;
    std::size_t pos = 0;
    while (pos < text.size()) {
      std::size_t end = text.find('\n', pos);
      if (end == std::string_view::npos) end = text.size();
      std::string_view line = text.substr(pos, end - pos);
      pos = end + 1;
      ++lineNumber;
      if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
      std::size_t i = 0;
      while (i < line.size() && IsBlank(line[i])) ++i;
      if (i == line.size() || line[i] == '#') continue;

      std::size_t numberStart = i;
      int base = 10;
      if (line.size() - i > 2 && line[i] == '0' && (line[i + 1] == 'x' || line[i + 1] == 'X')) {
        base = 16;
        i += 2;
      }
      std::size_t digitsStart = i;
      unsigned long long number = 0;
      bool tooLarge = false;
      for (; i < line.size(); ++i) {
        char ch = line[i];
        const int digit = HexDigitValue(ch);
        if (digit < 0 || digit >= base) break;
        number = number * base + digit;
        if (number > 0xFFFFFFFFull) {
          tooLarge = true;
          number = 0xFFFFFFFFull + 1;
        }
      }
      std::string_view numberText = line.substr(numberStart, i - numberStart);
      if (i == digitsStart || (i < line.size() && !IsBlank(line[i])))
        return fail(lineNumber, "expected a message number, a blank or tab, and the format");
      if (tooLarge)
        return fail(lineNumber, "message number " + std::string(numberText) + " is above 4294967295");
      auto id = static_cast<std::uint32_t>(number);
      std::string prefix = "message " + std::string(numberText) + ": ";
      while (i < line.size() && IsBlank(line[i])) ++i;
      std::string_view format = line.substr(i);
      if (format.empty()) return fail(lineNumber, prefix + "the format is missing");
      MessageFormatCheck check = CheckMessageFormat(format);
      if (!check.ok) return fail(lineNumber, prefix + check.problem);
      auto [it, inserted] = definedOn.emplace(id, lineNumber);
      if (!inserted)
        return fail(lineNumber, prefix + "already defined on line " + std::to_string(it->second));
      entries.emplace(id, std::string(format));
    }
    return platform::AddStringTableModule(fileName, std::move(entries));
  } catch (const std::bad_alloc&) {
    if (error != nullptr) *error = fileName + ": not enough memory to load the catalogue";
    return nullptr;
  }
}

ModuleHandle LoadMessageCatalogue(const char* path, std::string* error) {
  std::string name = path != nullptr ? path : "";
  auto fail = [&](const std::string& problem) -> ModuleHandle {
    if (error != nullptr) *error = name + ": " + problem;
    return nullptr;
  };
  if (name.empty()) return fail("no catalogue file named");
  std::string text, problem;
  if (!ReadTextFile(path, kMaxCatalogueBytes, "a catalogue", &text, &problem)) return fail(problem);
  return ParseMessageCatalogue(text, path, error);
}

void FreeMessageCatalogue(ModuleHandle catalogue) { platform::RemoveStringTableModule(catalogue); }

bool IsMessageCatalogue(ModuleHandle module) { return platform::IsStringTableModule(module); }

int CopyCatalogueEntry(ModuleHandle catalogue, std::uint32_t id, char* buffer, int size) {
  return platform::CopyStringTableEntry(catalogue, id, buffer, size);
}

}  // namespace lumenrt
