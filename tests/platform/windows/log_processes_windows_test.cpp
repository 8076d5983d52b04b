// Two processes writing one log through the Windows file service and registry store: the writers'
// lock (LockFileEx) and appending handles keep every line whole and none lost, and the stored count
// (set with the file number under the store's mutex) matches the current file.
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include <gtest/gtest.h>
#include <windows.h>

#include "lumenrt/core/registry_values.h"
#include "lumenrt/platform/registry_store.h"
#include "lumenrt/timelog/log_writer.h"

#include "platform/windows/windows_scratch.h"

namespace lumenrt {
namespace {

constexpr int kLinesPerWriter = 300;
constexpr char kDirectoryVariable[] = "LUMENRT_TEST_LOG_DIRECTORY";

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

// Runs as a child of the test below (the same program, this test alone): writes its lines and ends.
TEST(WindowsLogProcesses, ChildWritesLines) {
  const std::string directory = Environment(kDirectoryVariable);
  if (directory.empty())
    GTEST_SKIP() << "runs only as the child of WindowsLogProcesses.TwoWritersShareOneLog";
  ASSERT_EQ(LogOpen(directory.c_str(), "Shared", 0), 1);
  const std::string text(100, 'x');
  for (int i = 0; i < kLinesPerWriter; ++i) ASSERT_EQ(LogWrite(0, text.c_str()), 1) << i;
  LogClose();
}

TEST(WindowsLogProcesses, TwoWritersShareOneLog) {
  if (!Environment(kDirectoryVariable).empty()) GTEST_SKIP() << "the child's own run";
  test::WindowsScratch dir;
  const std::string store = "HKCU\\Software\\lumenrt-tests\\log-" + std::to_string(GetCurrentProcessId());
  RegDeleteTreeA(HKEY_CURRENT_USER, store.substr(5).c_str());
  ASSERT_EQ(_putenv_s("LUMENRT_REGISTRY", store.c_str()), 0);
  ASSERT_EQ(_putenv_s(kDirectoryVariable, (dir.path() + "\\").c_str()), 0);

  char program[MAX_PATH];
  ASSERT_GT(GetModuleFileNameA(nullptr, program, MAX_PATH), 0u);
  std::string command =
      std::string("\"") + program + "\" --gtest_filter=WindowsLogProcesses.ChildWritesLines";
  // The children's own reports go nowhere; their exit codes tell.
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE nowhere = CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                               OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(nowhere, INVALID_HANDLE_VALUE);
  PROCESS_INFORMATION children[2] = {};
  for (auto& child : children) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = startup.hStdOutput = startup.hStdError = nowhere;
    ASSERT_TRUE(CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                               &child));
  }
  CloseHandle(nowhere);
  for (auto& child : children) {
    EXPECT_EQ(WaitForSingleObject(child.hProcess, 120000), WAIT_OBJECT_0);
    DWORD code = 1;
    GetExitCodeProcess(child.hProcess, &code);
    EXPECT_EQ(code, 0u);
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);
  }
  _putenv_s(kDirectoryVariable, "");

  // Every line whole: the banner of each writer, then its lines, across the three files.
  int lines = 0, banners = 0;
  for (int n = 1; n <= 3; ++n) {
    std::ifstream in(dir / ("Shared-" + std::to_string(n) + ".LOG"), std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    const std::string contents = text.str();
    EXPECT_LE(contents.size(), 32767u + 113u) << n;  // the limit plus one line
    std::istringstream split(contents);
    for (std::string line; std::getline(split, line);) {
      if (line.find(kLogVersionBanner) != std::string::npos) {
        ++banners;
      } else {
        // The time prefix ("Dec09 03:47 ") and the text.
        EXPECT_EQ(line.size(), 112u) << "file " << n << ": " << line.substr(0, 40);
        EXPECT_EQ(line.find_first_not_of('x', 12), std::string::npos)
            << "file " << n << ": " << line.substr(0, 40);
        ++lines;
      }
    }
  }
  EXPECT_EQ(banners, 2);
  EXPECT_EQ(lines, 2 * kLinesPerWriter);

  // The stored position is the current file and its size.
  platform::SetRegistryStorePath(store.c_str());
  std::int32_t number = -1, bytes = -1;
  ASSERT_EQ(ReadAgentNumber("Shared_CurrLogFileNo", &number, -1), 1);
  ASSERT_EQ(ReadAgentNumber("Shared_CurrLogBytesWritten", &bytes, -1), 1);
  WIN32_FILE_ATTRIBUTE_DATA current;
  ASSERT_TRUE(GetFileAttributesExA((dir / ("Shared-" + std::to_string(number + 1) + ".LOG")).c_str(),
                                   GetFileExInfoStandard, &current));
  EXPECT_EQ(static_cast<DWORD>(bytes), current.nFileSizeLow);
  platform::SetRegistryStorePath(nullptr);
  _putenv_s("LUMENRT_REGISTRY", "");
  RegDeleteTreeA(HKEY_CURRENT_USER, store.substr(5).c_str());
}

}  // namespace
}  // namespace lumenrt
