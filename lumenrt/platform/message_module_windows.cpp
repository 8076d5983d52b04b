// Message tables on Windows. The library's own image holds its built-in formats as a string table
// resource (message_strings.rc, compiled into the image), read with LoadStringA; an id the image has
// no string for is asked of the table the core set, so an image built without the resource still
// formats its messages. A host's message module is any loaded module: its string table through
// LoadStringA, its message table through FormatMessageA. String-table modules (parsed catalogue
// files) answer from their entries, as on every system.
#include <string_view>

#include <windows.h>

#include "lumenrt/platform/internal/string_tables.h"
#include "lumenrt/platform/internal/text_helpers.h"
#include "lumenrt/platform/message_module.h"

namespace lumenrt::platform {
namespace {

// String ids are 16-bit; a larger id would wrap onto another entry.
constexpr std::uint32_t kMaxStringId = 0xFFFF;

int CopyOut(const char* text, char* buffer, int size) {
  return CopyCutTerminate(text != nullptr ? std::string_view(text) : std::string_view(), buffer, size);
}

// The image (DLL or executable) this code was linked into.
HMODULE OwnImage() {
  static const HMODULE image = [] {
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&OwnImage), &module);
    return module;
  }();
  return image;
}

// True when handle is the base of a module loaded in this process (not some other address).
bool IsLoadedModule(ModuleHandle handle) {
  HMODULE module = nullptr;
  return GetModuleHandleExA(
             GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
             static_cast<LPCSTR>(handle), &module) &&
         module == static_cast<HMODULE>(handle);
}

int LoadStringOf(HMODULE module, std::uint32_t id, char* buffer, int size) {
  if (id > kMaxStringId) return 0;
  const int n = LoadStringA(module, static_cast<UINT>(id), buffer, size);
  if (n <= 0) {
    buffer[0] = '\0';
    return 0;
  }
  return n;
}

int MessageTextOf(HMODULE module, std::uint32_t id, char* buffer, int size) {
  char work[1024];
  const DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_IGNORE_INSERTS, module, id, 0,
                                 work, sizeof work, nullptr);
  std::string_view text(work, n);
  // Message-table texts end with a line break, which is no part of the text.
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.remove_suffix(1);
  return CopyCutTerminate(text, buffer, size);
}

class WindowsMessageTables final : public MessageTables {
 public:
  int LoadString(ModuleHandle module, std::uint32_t id, char* buffer, int size) override {
    if (buffer == nullptr || size <= 0) return 0;
    buffer[0] = '\0';
    if (module == nullptr) {
      if (const int n = LoadStringOf(OwnImage(), id, buffer, size); n > 0) return n;
      OwnStringTable own = OwnStringTableInUse();
      return CopyOut(own != nullptr ? own(id) : nullptr, buffer, size);
    }
    if (IsStringTableModule(module)) return CopyStringTableEntry(module, id, buffer, size);
    if (IsLoadedModule(module)) return LoadStringOf(static_cast<HMODULE>(module), id, buffer, size);
    return 0;
  }

  int LoadMessageText(ModuleHandle module, std::uint32_t id, char* buffer, int size) override {
    if (buffer == nullptr || size <= 0) return 0;
    buffer[0] = '\0';
    if (module == nullptr) return 0;
    if (IsStringTableModule(module)) return CopyStringTableEntry(module, id, buffer, size);
    if (IsLoadedModule(module)) return MessageTextOf(static_cast<HMODULE>(module), id, buffer, size);
    return 0;
  }
};

}  // namespace

MessageTables& SystemMessageTables() {
  static auto* tables = new WindowsMessageTables;
  return *tables;
}

}  // namespace lumenrt::platform
