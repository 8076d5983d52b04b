// lumenrt message: the line the message catalogue makes of a facility, a message number and an
// argument.
#include <cctype>
#include <cstdint>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "lumenrt/core/facility_table.h"
#include "lumenrt/core/message_catalogue.h"
#include "lumenrt/core/message_format.h"

#include "command.h"
#include "records.h"

namespace lumenrt::tool {
namespace {

struct MessageRequest {
  std::vector<std::string> words;  // FACILITY NUMBER [ARGUMENT], checked while parsing
  std::optional<std::string> catalogue;
  char severity = 0;
};

// A facility number, or the first number whose code in the facility table is `word` in any letter case,
// with or without the blanks that pad a short code ("FLM" and "FLM " are 78).
std::optional<int> FacilityNumber(const std::string& word) {
  if (auto n = ParseInteger(word, INT32_MIN, INT32_MAX)) return static_cast<int>(*n);
  const auto unpadded = [](std::string_view code) { return code.substr(0, code.find_last_not_of(' ') + 1); };
  const std::string_view wanted = unpadded(word);
  for (int facility = 0; facility < kFacilityCount && !wanted.empty(); ++facility) {
    const std::string_view code = unpadded(std::string_view(kFacilityTable[facility], 4));
    if (code.size() != wanted.size()) continue;
    bool same = true;
    for (size_t i = 0; i < code.size() && same; ++i)
      same = std::toupper(static_cast<unsigned char>(wanted[i])) == static_cast<unsigned char>(code[i]);
    if (same) return facility;
  }
  return std::nullopt;
}

bool IsNumericConversion(char letter) { return letter != 's' && letter != 0; }

int RunMessage(const MessageRequest& r) {
  const auto& words = r.words;
  auto facility = FacilityNumber(words[0]);
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
  // The text the library writes in place of a format it does not have: the answer is "none".
  const bool missing =
      std::string(format) == "Unable to load string #" + std::to_string(static_cast<long>(message));
  bool numeric = IsNumericConversion(CheckMessageFormat(format).argumentConversion);
  int status = kExitOk;
  ZString line;
  if (numeric) {
    std::optional<long long> value = 0LL;
    if (words.size() == 3) value = ParseInteger(words[2], INT32_MIN, UINT32_MAX);
    if (!value) {
      status = Fail(kExitUsage, "message " + words[1] + " takes a number, not '" + words[2] + "'");
    } else {
      FormatMessageText(line, *facility, message, static_cast<int>(static_cast<std::uint32_t>(*value)),
                        &letter);
    }
  } else {
    const char* text = words.size() == 3 ? words[2].c_str() : "";
    FormatMessageText(line, *facility, message, text, &letter);
  }
  MessageModule = previous;
  FreeMessageCatalogue(catalogue);
  if (status == kExitOk) std::cout << line.c_str() << "\n";
  return status == kExitOk && missing ? kExitNone : status;
}

const Registration kMessageCommand{[](CLI::App& tool) {
  auto r = std::make_shared<MessageRequest>();
  CLI::App& command = *AddCommand(
      tool, "message",
      "print the catalogue's line for a facility, a message number and an argument; exit 1 when the "
      "catalogue has no format for the number (the line is then \"Unable to load string #NUMBER\")",
      [r] { return RunMessage(*r); });
  const auto word = [&](const char* name, const char* help) {
    return command.add_option_function<std::string>(
        name, [r](const std::string& w) { r->words.push_back(w); }, help);
  };
  word("FACILITY",
       "the facility number, or its code in the facility table in any letter case (AGNT or agnt; a code "
       "that the table holds twice stands for its first number, AGNT for 1)")
      ->required()
      ->check(ValueCheck([](const std::string& w) {
        if (FacilityNumber(w)) return std::string();
        const bool numeric =
            !w.empty() && (std::isdigit(static_cast<unsigned char>(w[0])) || w[0] == '-' || w[0] == '+');
        return numeric ? "bad facility number '" + w + "'" : "unknown facility code '" + w + "'";
      }));
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
  AddExamples(command, {"lumenrt message 43 4101 \"disk full\"",
                        "lumenrt message --catalogue agent.msg AGNT 20001 7"});
}};

}  // namespace
}  // namespace lumenrt::tool
