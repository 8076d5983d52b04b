// Message tables on POSIX systems: loaded modules carry no string tables here, so the library's own
// image answers from the table the core set and string-table modules from their entries.
#include <cstring>

#include "lumenrt/platform/internal/string_tables.h"
#include "lumenrt/platform/internal/text_helpers.h"
#include "lumenrt/platform/message_module.h"

namespace lumenrt::platform {
namespace {

int CopyOut(const char* text, char* buffer, int size) {
  return CopyCutTerminate(text != nullptr ? std::string_view(text) : std::string_view(), buffer, size);
}

class PosixMessageTables final : public MessageTables {
 public:
  int LoadString(ModuleHandle module, std::uint32_t id, char* buffer, int size) override {
    if (module == nullptr) {
      OwnStringTable own = OwnStringTableInUse();
      return CopyOut(own != nullptr ? own(id) : nullptr, buffer, size);
    }
    return CopyStringTableEntry(module, id, buffer, size);
  }
  int LoadMessageText(ModuleHandle module, std::uint32_t id, char* buffer, int size) override {
    if (module == nullptr) return CopyOut(nullptr, buffer, size);
    return CopyStringTableEntry(module, id, buffer, size);
  }
};

}  // namespace

MessageTables& SystemMessageTables() {
  static auto* tables = new PosixMessageTables;
  return *tables;
}

}  // namespace lumenrt::platform
