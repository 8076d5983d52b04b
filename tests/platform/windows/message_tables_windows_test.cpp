// Windows message tables and texts: the string table compiled into the image agrees with the
// built-in formats, host modules answer through LoadStringA and FormatMessageA, and system error
// texts come from FormatMessageA without their line break.
#include <cstring>
#include <string>

#include <gtest/gtest.h>
#include <windows.h>

#include "lumenrt/core/internal/built_in_messages.h"
#include "lumenrt/core/message_format.h"
#include "lumenrt/platform/message_module.h"
#include "lumenrt/platform/system_error.h"

namespace lumenrt {
namespace {

// The image the platform layer was linked into (this test program, or lumenrt.dll).
HMODULE LibraryImage() {
  HMODULE module = nullptr;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCSTR>(&platform::SystemMessageTables), &module);
  return module;
}

TEST(WindowsMessageTables, TheImagesStringTableHoldsExactlyTheBuiltInFormats) {
  HMODULE image = LibraryImage();
  ASSERT_NE(image, nullptr);
  int entries = 0;
  for (std::uint32_t id = 0; id <= 0xFFFF; ++id) {
    char text[256] = "";
    const int n = LoadStringA(image, id, text, sizeof text);
    const char* builtIn = BuiltInMessageFormat(id);
    if (builtIn == nullptr) {
      EXPECT_EQ(n, 0) << "the string table has an entry the built-in table lacks: " << id;
      continue;
    }
    ++entries;
    EXPECT_STREQ(text, builtIn) << id;
  }
  EXPECT_EQ(entries, 9);
}

TEST(WindowsMessageTables, LookupsByModule) {
  auto& tables = platform::SystemMessageTables();
  char buffer[128];
  // The library's own image.
  EXPECT_EQ(tables.LoadString(nullptr, 4101, buffer, sizeof buffer), 29);
  EXPECT_STREQ(buffer, "%s-E-SYSERR, system error: %s");
  EXPECT_EQ(tables.LoadString(nullptr, 4101, buffer, 8), 7);  // cut and terminated
  EXPECT_STREQ(buffer, "%s-E-SY");
  EXPECT_EQ(tables.LoadString(nullptr, 0x10000 + 4101, buffer, sizeof buffer), 0);  // ids are 16-bit
  EXPECT_STREQ(buffer, "");
  EXPECT_EQ(tables.LoadString(nullptr, 7, buffer, sizeof buffer), 0);
  EXPECT_EQ(tables.LoadMessageText(nullptr, 4101, buffer, sizeof buffer), 0);  // no message table

  // A host's module, by its handle.
  ModuleHandle image = LibraryImage();
  EXPECT_EQ(tables.LoadString(image, 4456, buffer, sizeof buffer), 17);
  EXPECT_STREQ(buffer, "%s-E-BADVALUE, %s");
  // Something that is no module answers nothing, without touching it.
  int notAModule = 0;
  EXPECT_EQ(tables.LoadString(&notAModule, 4456, buffer, sizeof buffer), 0);
  EXPECT_EQ(tables.LoadMessageText(&notAModule, 2, buffer, sizeof buffer), 0);

  // A module's message table: the system's own texts live in one of these.
  bool found = false;
  for (const char* name : {"kernelbase.dll", "kernel32.dll", "ntdll.dll"}) {
    HMODULE module = GetModuleHandleA(name);
    char expected[512] = "";
    if (module == nullptr ||
        FormatMessageA(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_IGNORE_INSERTS, module,
                       ERROR_FILE_NOT_FOUND, 0, expected, sizeof expected, nullptr) == 0)
      continue;
    found = true;
    std::string text = expected;
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    EXPECT_EQ(tables.LoadMessageText(module, ERROR_FILE_NOT_FOUND, buffer, sizeof buffer),
              static_cast<int>(text.size()))
        << name;
    EXPECT_EQ(buffer, text) << name;
    break;
  }
  if (!found) GTEST_SKIP() << "no system module here has a message table";
}

TEST(WindowsErrorTexts, FormatMessageTextsWithoutTheLineBreak) {
  auto& texts = platform::SystemErrorTexts();
  char buffer[1024];
  for (DWORD code : {DWORD{ERROR_FILE_NOT_FOUND}, DWORD{ERROR_ACCESS_DENIED}, DWORD{WSAECONNRESET}}) {
    char raw[1024] = "";
    ASSERT_GT(FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                             MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), raw, sizeof raw, nullptr),
              0u)
        << code;
    std::string expected = raw;
    while (!expected.empty() && std::strchr("\r\n ", expected.back()) != nullptr) expected.pop_back();
    EXPECT_EQ(texts.SystemText(static_cast<int>(code), buffer, sizeof buffer),
              static_cast<int>(expected.size()));
    EXPECT_EQ(buffer, expected) << code;
  }
  EXPECT_EQ(texts.SystemText(0x2BADF00D, buffer, sizeof buffer), 0);
  EXPECT_STREQ(buffer, "");
  EXPECT_EQ(texts.SystemText(ERROR_FILE_NOT_FOUND, buffer, 5), 4);
  EXPECT_EQ(std::strlen(buffer), 4u);
}

}  // namespace
}  // namespace lumenrt
