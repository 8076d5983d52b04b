// libFuzzer target: message formats and catalogue files made of untrusted bytes.
//
// The input is a format (up to the first zero byte) and an argument text (the rest); the first byte
// also picks the facility, the argument's kind and the caller's severity letter. The format is
// filled through every path of the catalogue and the whole input is parsed as a catalogue file.
// Filling must never read an argument that was not passed, write through a conversion, or run past a
// buffer, whatever the format.
//
// Built by the fuzz preset (clang); the ordinary test suite replays fuzz/corpus/message_format/.
//   cmake --preset fuzz && cmake --build --preset fuzz
//   build-fuzz/bin/message_format_fuzz -close_fd_mask=1 -max_len=512 CORPUS_DIR fuzz/corpus/message_format
// (-close_fd_mask=1 silences the log lines, which go to standard output while no log is open.)
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "lumenrt/core/internal/catalogue_store.h"
#include "lumenrt/core/message_catalogue.h"
#include "lumenrt/core/message_format.h"
#include "lumenrt/platform/message_module.h"

namespace {

constexpr int kFuzzedMessage = 1;

// Answers message 1 with the fuzzed format, as an untrusted message module would.
class FuzzedModuleEnv : public lumenrt::platform::MessageTables {
 public:
  std::string format;
  int LoadString(ModuleHandle, std::uint32_t id, char* buffer, int size) override {
    buffer[0] = '\0';
    if (id != kFuzzedMessage || format.empty()) return 0;
    std::size_t n = format.size() < static_cast<std::size_t>(size - 1) ? format.size()
                                                                       : static_cast<std::size_t>(size - 1);
    std::memcpy(buffer, format.data(), n);
    buffer[n] = '\0';
    return static_cast<int>(std::strlen(buffer));
  }
  int LoadMessageText(ModuleHandle, std::uint32_t, char* buffer, int) override {
    buffer[0] = '\0';
    return 0;
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static FuzzedModuleEnv env;
  static bool installed = (lumenrt::platform::SubstituteMessageTables(&env), true);
  (void)installed;
  if (size == 0) return 0;

  std::uint8_t control = data[0];
  std::string rest(reinterpret_cast<const char*>(data + 1), size - 1);
  std::size_t zero = rest.find('\0');
  env.format = rest.substr(0, zero);
  std::string argument = zero == std::string::npos ? std::string() : rest.substr(zero + 1);

  static const int kFacilities[] = {0, 43, 89, 150, 201, 205, 9999};
  int facility = kFacilities[control % 7];
  static const char kLetters[] = {0, 'E', 'W', 'x'};
  char letter = kLetters[(control >> 3) & 3];
  bool number = (control & 0x20) != 0;
  MessageArgument a =
      number ? MessageArgument(static_cast<int>(argument.size()) - 3) : MessageArgument(argument.c_str());

  ZString line;
  char l1 = letter;
  int length = FormatMessageText(line, facility, kFuzzedMessage, a, &l1);
  if (length != line.Length()) std::abort();
  if (static_cast<std::size_t>(length) > 2047 + argument.size() + 128 + 16) std::abort();

  char l2 = letter;
  LogMessage(0, (control & 0x40) ? 0 : facility, kFuzzedMessage, a, &l2);

  char buffer[300];
  std::memset(buffer, 0, sizeof buffer);
  MessageSink sink;
  sink.textBuffer = buffer;
  sink.textCapacity = 256;
  ZString severity(std::string_view(&letter, letter ? 1 : 0));
  if (number) {
    ReportMessage(&sink, facility, kFuzzedMessage, a.number, severity);
  } else {
    ReportMessage(&sink, facility, kFuzzedMessage, argument.c_str(), severity);
  }
  if (buffer[255] != '\0' || buffer[256] != '\0') std::abort();

  lumenrt::MessageFormatCheck check = lumenrt::CheckMessageFormat(env.format);
  (void)check;
  std::string error;
  ModuleHandle catalogue = lumenrt::ParseMessageCatalogue(
      std::string_view(reinterpret_cast<const char*>(data), size), "fuzz", &error);
  lumenrt::FreeMessageCatalogue(catalogue);
  return 0;
}
