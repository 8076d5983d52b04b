// The message module on POSIX systems: the built-in table stands for the library's image, and
// catalogue files are read with open/read.
#include <cerrno>
#include <cstring>
#include <new>
#include <string>

#include <fcntl.h>
#include <unistd.h>

#include "lumenrt/platform/message_module.h"
#include "lumenrt/platform/system_error.h"

namespace lumenrt {
namespace {

int CopyOut(const char* text, char* buffer, int size) {
  if (buffer == nullptr || size <= 0) return 0;
  buffer[0] = '\0';
  if (text == nullptr) return 0;
  std::size_t n = std::strlen(text);
  if (n > static_cast<std::size_t>(size - 1)) n = static_cast<std::size_t>(size - 1);
  std::memcpy(buffer, text, n);
  buffer[n] = '\0';
  return static_cast<int>(n);
}

class PosixMessageModuleEnv final : public MessageModuleEnv {
 public:
  int LoadString(ModuleHandle module, std::uint32_t id, char* buffer, int size) override {
    if (module == nullptr) return CopyOut(BuiltInMessageFormat(id), buffer, size);
    return CopyCatalogueEntry(module, id, buffer, size);
  }
  int LoadMessageText(ModuleHandle module, std::uint32_t id, char* buffer, int size) override {
    if (module == nullptr) return CopyOut(nullptr, buffer, size);
    return CopyCatalogueEntry(module, id, buffer, size);
  }
};

std::string ErrnoText(int code) {
  char text[256];
  if (DefaultSystemErrorEnv().SystemText(code, text, sizeof text) == 0)
    return "error " + std::to_string(code);
  return text;
}

// Catalogues are small text files; anything larger is refused rather than read into memory.
constexpr off_t kMaxCatalogueBytes = 16 * 1024 * 1024;

}  // namespace

MessageModuleEnv& DefaultMessageModuleEnv() {
  static auto* env = new PosixMessageModuleEnv;
  return *env;
}

ModuleHandle LoadMessageCatalogue(const char* path, std::string* error) {
  std::string name = path != nullptr ? path : "";
  auto fail = [&](const std::string& problem) -> ModuleHandle {
    if (error != nullptr) *error = name + ": " + problem;
    return nullptr;
  };
  if (name.empty()) return fail("no catalogue file named");
  int fd;
  do {
    fd = ::open(path, O_RDONLY | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return fail(std::string("cannot open: ") + ErrnoText(errno));
  std::string text;
  std::string problem;
  try {
    char chunk[8192];
    for (;;) {
      ssize_t got = ::read(fd, chunk, sizeof chunk);
      if (got < 0 && errno == EINTR) continue;
      if (got < 0) {
        problem = std::string("cannot read: ") + ErrnoText(errno);
        break;
      }
      if (got == 0) break;
      if (static_cast<off_t>(text.size()) + got > kMaxCatalogueBytes) {
        problem = "file is larger than 16 MiB, not a catalogue";
        break;
      }
      text.append(chunk, static_cast<std::size_t>(got));
    }
  } catch (const std::bad_alloc&) {
    problem = "not enough memory to read the file";
  }
  ::close(fd);
  if (!problem.empty()) return fail(problem);
  return ParseMessageCatalogue(text, path, error);
}

}  // namespace lumenrt
