// lumenrt message: the line the message catalogue makes of a facility, a message number and an
// argument.
#include <cstdint>
#include <iostream>
#include <optional>
#include <string>

#include "lumenrt/core/message_catalogue.h"
#include "lumenrt/core/message_format.h"

#include "command.h"

namespace lumenrt::tool {
namespace {

constexpr char kUsage[] = "message FACILITY NUMBER [ARGUMENT] [--catalogue FILE] [--severity E|F|I|W]";

bool IsNumericConversion(char letter) { return letter != 's' && letter != 0; }

int RunMessage(const Args& args) {
  Parsed p(args, {"catalogue", "severity"});
  if (auto code = CheckParsed(p, kUsage)) return *code;
  const auto& words = p.positional();
  if (words.size() < 2 || words.size() > 3)
    return Fail(kExitUsage,
                std::string("expected FACILITY NUMBER [ARGUMENT] (usage: lumenrt ") + kUsage + ")");
  auto facility = ParseInteger(words[0], INT32_MIN, INT32_MAX);
  if (!facility) return Fail(kExitUsage, "bad facility number '" + words[0] + "'");
  auto number = ParseInteger(words[1], 0, UINT32_MAX);
  if (!number) return Fail(kExitUsage, "bad message number '" + words[1] + "' (0 to 4294967295)");
  char letter = 0;
  if (auto severity = p.Get("severity")) {
    if (severity->size() != 1 || std::string("EFIW").find((*severity)[0]) == std::string::npos)
      return Fail(kExitUsage, "bad severity '" + *severity + "' (one of E, F, I, W)");
    letter = (*severity)[0];
  }

  ModuleHandle catalogue = nullptr;
  if (auto file = p.Get("catalogue")) {
    std::string error;
    catalogue = LoadMessageCatalogue(file->c_str(), &error);
    if (catalogue == nullptr) return Fail(kExitUsage, error);
  }
  ModuleHandle previous = MessageModule;
  MessageModule = catalogue;
  auto message = static_cast<int>(static_cast<std::uint32_t>(*number));

  // The format decides whether the argument is a text or a number.
  char format[128];
  LoadMessageString(message, format, sizeof format);
  bool numeric = IsNumericConversion(CheckMessageFormat(format).argumentConversion);
  int status = kExitOk;
  ZString line;
  if (numeric) {
    std::optional<long long> value = 0LL;
    if (words.size() == 3) value = ParseInteger(words[2], INT32_MIN, UINT32_MAX);
    if (!value) {
      status = Fail(kExitUsage, "message " + words[1] + " takes a number, not '" + words[2] + "'");
    } else {
      FormatMessageText(line, static_cast<int>(*facility), message,
                        static_cast<int>(static_cast<std::uint32_t>(*value)), &letter);
    }
  } else {
    const char* text = words.size() == 3 ? words[2].c_str() : "";
    FormatMessageText(line, static_cast<int>(*facility), message, text, &letter);
  }
  MessageModule = previous;
  FreeMessageCatalogue(catalogue);
  if (status == kExitOk) std::cout << line.c_str() << "\n";
  return status;
}

const Command kMessage{"message", kUsage,
                       "print the catalogue's line for a facility, a message number and an argument",
                       RunMessage};

}  // namespace
}  // namespace lumenrt::tool
