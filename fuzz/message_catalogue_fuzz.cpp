// libFuzzer target: message catalogue files made of untrusted bytes, and messages formatted from them.
//
// The input is a catalogue file. When it is accepted, it becomes the message module and every entry
// it holds (the numbers found at the start of its lines) is loaded and formatted with a text and a
// number argument. An accepted format must pass the format check; formatting must stay within its
// bounds whatever the format.
//
// Built by the fuzz preset (clang); the ordinary test suite replays fuzz/corpus/message_catalogue/.
//   build-fuzz/bin/message_catalogue_fuzz -close_fd_mask=3 -max_len=4096 CORPUS_DIR
//   fuzz/corpus/message_catalogue
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "lumenrt/core/internal/catalogue_store.h"
#include "lumenrt/core/message_catalogue.h"
#include "lumenrt/core/message_format.h"
#include "lumenrt/platform/message_module.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::string error;
  ModuleHandle catalogue = lumenrt::ParseMessageCatalogue(text, "fuzz", &error);
  if (catalogue == nullptr) {
    Check(!error.empty());
    return 0;
  }
  Check(lumenrt::IsMessageCatalogue(catalogue));
  const ModuleHandle saved = MessageModule;
  MessageModule = catalogue;
  int looked = 0;
  for (std::size_t at = 0; at < text.size() && looked < 32; ++looked) {
    const std::size_t end = std::min(text.find('\n', at), text.size());
    const std::string line(text.substr(at, end - at));
    at = end + 1;
    char* rest = nullptr;
    const unsigned long number = std::strtoul(line.c_str(), &rest, 0);
    if (rest == line.c_str() || number > 0xFFFFFFFFul) continue;
    const auto id = static_cast<std::uint32_t>(number);

    char entry[128];
    std::memset(entry, 0x55, sizeof entry);
    const int copied = lumenrt::CopyCatalogueEntry(catalogue, id, entry, sizeof entry);
    Check(copied >= 0 && copied < static_cast<int>(sizeof entry));
    if (copied > 0) {
      Check(std::strlen(entry) == static_cast<std::size_t>(copied));
      Check(lumenrt::CheckMessageFormat(entry).ok);
    }
    char format[128];
    const int length = LoadMessageString(static_cast<int>(id), format, sizeof format);
    Check(length >= 0 && length < static_cast<int>(sizeof format) &&
          std::strlen(format) == std::size_t(length));

    ZString result;
    char letter = 0;
    Check(FormatMessageText(result, 43, static_cast<int>(id), MessageArgument(line.c_str()), &letter) ==
          result.Length());
    char w = 'W';
    Check(FormatMessageText(result, 205, static_cast<int>(id), MessageArgument(-12345), &w) ==
          result.Length());
    char errorText[256];
    SystemErrorText(static_cast<int>(id), errorText, sizeof errorText, catalogue);
    Check(std::memchr(errorText, '\0', sizeof errorText) != nullptr);
  }
  MessageModule = saved;
  lumenrt::FreeMessageCatalogue(catalogue);
  Check(!lumenrt::IsMessageCatalogue(catalogue));
  return 0;
}
