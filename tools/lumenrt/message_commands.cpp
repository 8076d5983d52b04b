// lumenrt message: the line the message catalogue makes of a facility, a message number and an
// argument.
#include <cstdint>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "lumenrt/core/message_catalogue.h"
#include "lumenrt/platform/message_module.h"

#include "command.h"

namespace lumenrt::tool {
namespace {

struct MessageRequest {
  std::vector<std::string> words;  // FACILITY NUMBER [ARGUMENT], checked while parsing
  std::optional<std::string> catalogue;
  char severity = 0;
};

bool IsNumericConversion(char letter) { return letter != 's' && letter != 0; }

int RunMessage(const MessageRequest& r) {
  const auto& words = r.words;
  auto facility = ParseInteger(words[0], INT32_MIN, INT32_MAX);
  auto number = ParseInteger(words[1], 0, UINT32_MAX);
  char letter = r.severity;

  ModuleHandle catalogue = nullptr;
  if (const auto& file = r.catalogue) {
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

const Registration kMessageCommand{[](CLI::App& tool) {
  auto r = std::make_shared<MessageRequest>();
  CLI::App& command = *AddCommand(
      tool, "message", "print the catalogue's line for a facility, a message number and an argument",
      [r] { return RunMessage(*r); });
  const auto word = [&](const char* name, const char* help) {
    return command.add_option_function<std::string>(
        name, [r](const std::string& w) { r->words.push_back(w); }, help);
  };
  word("FACILITY", "the facility number")
      ->required()
      ->check(IntegerCheck(INT32_MIN, INT32_MAX, "bad facility number"));
  word("NUMBER", "the message number")
      ->required()
      ->check(IntegerCheck(0, UINT32_MAX, "bad message number '{}' (0 to 4294967295)"));
  word("ARGUMENT", "the text or number the message takes");
  command
      .add_option_function<std::string>(
          "--catalogue", [r](const std::string& f) { r->catalogue = f; }, "a message catalogue file to use")
      ->type_name("FILE");
  command
      .add_option_function<std::string>(
          "--severity", [r](const std::string& s) { r->severity = s[0]; }, "the severity letter to use")
      ->type_name("E|F|I|W")
      ->check(ValueCheck([](const std::string& s) {
        return s.size() == 1 && std::string("EFIW").find(s[0]) != std::string::npos
                   ? std::string()
                   : "bad severity '" + s + "' (one of E, F, I, W)";
      }));
}};

}  // namespace
}  // namespace lumenrt::tool
