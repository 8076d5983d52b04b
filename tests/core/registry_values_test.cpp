#include "lumenrt/core/registry_values.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/registry_test_support.h"

namespace {

using lumenrt::testing::MessageCapture;
using lumenrt::testing::ScopedRegistry;

constexpr char kKey[] = "SOFTWARE\\Orvane\\Lumenhold\\Test";

// Checks the two messages of a failure: 4320 naming `object`, then 4101 with the system's text for
// `error`. The texts are only checked when the catalogue formats messages.
void ExpectFailureReport(const std::vector<std::string>& lines, const std::string& object, int error) {
  ASSERT_EQ(lines.size(), 2u) << ::testing::PrintToString(lines);
  EXPECT_NE(lines[0].find(object), std::string::npos) << lines[0];
  EXPECT_EQ(lines[1].find(object), std::string::npos) << lines[1];
  if (lumenrt::testing::CatalogueIsLive()) {
    EXPECT_NE(lines[0].find("SYST"), std::string::npos) << lines[0];
    EXPECT_NE(lines[1].find(std::strerror(error)), std::string::npos) << lines[1];
  }
}

TEST(RegistryValues, ReadsAnySizeIntoAZeroFilledBuffer) {
  ScopedRegistry store;
  for (int size : {1, 7, 8, 9, 100, 5000}) {
    const std::string data(static_cast<std::size_t>(size), 'a' + size % 26);
    ASSERT_EQ(WriteRegistryValue(kKey, "v", kRegBinary, data.data(), size, 1), 1);
    int type = 0;
    unsigned char* buffer = nullptr;
    ASSERT_EQ(ReadRegistryValue(kKey, "v", &type, &buffer), size);
    EXPECT_EQ(type, kRegBinary);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), static_cast<std::size_t>(size)), data);
    EXPECT_EQ(buffer[size], 0) << size;  // size + 1 bytes, terminated
    FreeRegistryBuffer(buffer);
  }
}

TEST(RegistryValues, MissingOrEmptyValuesAnswerZeroQuietly) {
  ScopedRegistry store;
  ASSERT_EQ(WriteRegistryValue(kKey, "empty", kRegString, "", 0, 1), 1);
  MessageCapture capture;
  for (const auto& [key, name] : {std::pair{kKey, "missing"}, {"SOFTWARE\\Nowhere", "v"}, {kKey, "empty"}}) {
    int type = -1;
    unsigned char* buffer = reinterpret_cast<unsigned char*>(1);
    EXPECT_EQ(ReadRegistryValue(key, name, &type, &buffer), 0) << name;
    EXPECT_EQ(buffer, nullptr);
  }
  EXPECT_TRUE(capture.Lines().empty());
}

TEST(RegistryValues, AgentNumbers) {
  ScopedRegistry store;
  const std::string agentKey = kAgentKey;
  ASSERT_EQ(WriteAgentNumber("Neg", -2, 1), 1);
  ASSERT_EQ(WriteAgentNumber("Big", 0x12345678, 1), 1);
  ASSERT_EQ(WriteRegistryValue(kAgentKey, "Text", kRegString, "12", 3, 1), 1);
  ASSERT_EQ(WriteRegistryValue(kAgentKey, "Short", kRegDword, "\x01\x02", 2, 1), 1);
  ASSERT_EQ(WriteRegistryValue(kAgentKey, "Long", kRegDword, "\x01\x02\x00\x00\x09\x09", 6, 1), 1);
  const struct {
    const char* name;
    int result;
    std::int32_t number;
    bool reported;
  } cases[] = {
      {"Missing", 0, 77, false}, {"Neg", 1, -2, false},  {"Big", 1, 0x12345678, false},
      {"Text", -1, 0, true},     {"Short", -1, 0, true}, {"Long", 1, 0x0201, false},
  };
  for (const auto& c : cases) {
    MessageCapture capture;
    std::int32_t number = 12345;
    EXPECT_EQ(ReadAgentNumber(c.name, &number, 77), c.result) << c.name;
    EXPECT_EQ(number, c.number) << c.name;
    const auto lines = capture.Lines();
    ASSERT_EQ(lines.size(), c.reported ? 1u : 0u) << c.name;
    if (c.reported) {
      EXPECT_NE(lines[0].find(agentKey + "\\" + c.name), std::string::npos) << lines[0];
    }
  }
  unsigned char* bytes = nullptr;
  int type = 0;
  ASSERT_EQ(ReadRegistryValue(kAgentKey, "Big", &type, &bytes), 4);
  EXPECT_EQ(std::memcmp(bytes, "\x78\x56\x34\x12", 4), 0);  // little-endian
  EXPECT_EQ(type, kRegDword);
  FreeRegistryBuffer(bytes);
}

TEST(RegistryValues, CorruptStoreFailsWithTwoMessages) {
  ScopedRegistry store;
  lumenrt::testing::WriteFile(store.file(), std::string(4096, '\x5a'));
  int type = 0;
  unsigned char* buffer = nullptr;
  {
    MessageCapture capture;
    EXPECT_EQ(ReadRegistryValue(kKey, "v", &type, &buffer), -1);
    EXPECT_EQ(buffer, nullptr);
    ExpectFailureReport(capture.Lines(), kKey, EIO);
  }
  {
    MessageCapture capture;
    std::int32_t number = 9;
    EXPECT_EQ(ReadAgentNumber("N", &number, 5), -1);
    EXPECT_EQ(number, 0);
    ExpectFailureReport(capture.Lines(), kAgentKey, EIO);
  }
  {
    MessageCapture capture;
    EXPECT_EQ(WriteAgentNumber("N", 1, 1), -1);
    ExpectFailureReport(capture.Lines(), kAgentKey, EIO);
  }
  MessageCapture quiet;
  EXPECT_EQ(WriteAgentNumber("N", 1, 0), -1);
  EXPECT_TRUE(quiet.Lines().empty());
}

TEST(RegistryValues, WriteFailuresNameTheValue) {
  ScopedRegistry store;
  MessageCapture capture;
  EXPECT_EQ(WriteRegistryValue(kKey, "v", kRegBinary, "x", -1, 1), -1);
  ExpectFailureReport(capture.Lines(), std::string(kKey) + "\\v", EINVAL);
}

TEST(RegistryValues, ReadOnlyStoreReportsAccessDenied) {
  ScopedRegistry store;
  ASSERT_EQ(WriteAgentNumber("N", 1, 1), 1);
  const bool live = lumenrt::testing::CatalogueIsLive();
  lumenrt::testing::TempDir dir;
  const std::string messages = dir / "messages";
  chmod(dir.path().c_str(), 0777);  // the child may run as another user
  const int code = lumenrt::testing::RunWithReadOnlyStore(store.file(), [&] {
    if (freopen(messages.c_str(), "w", stderr) == nullptr) return 3;
    static LogFileRecord record{&std::cerr, "standard error"};
    DefaultLogFile = &record;
    std::int32_t n = 0;
    if (ReadAgentNumber("N", &n, 0) != 1 || n != 1) return 1;
    const int written = WriteAgentNumber("N", 2, 1);
    std::fflush(stderr);
    return written == -1 ? 0 : 2;
  });
  chmod(store.file().c_str(), 0644);
  ASSERT_EQ(code, 0);
  const std::string text = lumenrt::testing::ReadFile(messages);
  EXPECT_NE(text.find(std::string(kAgentKey) + "\\N"), std::string::npos) << text;
  if (live) {
    EXPECT_NE(text.find(std::strerror(EACCES)), std::string::npos) << text;
  }
}

TEST(RegistryValues, TwoProcessesWriteOneValueAtOnce) {
  ScopedRegistry store;
  ASSERT_EQ(WriteAgentNumber("Shared", 0, 1), 1);
  std::vector<pid_t> children;
  for (int child = 1; child <= 2; ++child) {
    const pid_t pid = fork();
    if (pid == 0) {
      int failures = 0;
      for (int i = 0; i < 500; ++i) {
        std::int32_t n = 0;
        failures += WriteAgentNumber("Shared", child * 1000 + i, 1) != 1;
        failures += ReadAgentNumber("Shared", &n, -1) != 1 || n < 0 || n % 1000 >= 500;
      }
      _exit(failures == 0 ? 0 : 1);
    }
    children.push_back(pid);
  }
  for (pid_t pid : children) {
    int status = -1;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  std::int32_t n = 0;
  ASSERT_EQ(ReadAgentNumber("Shared", &n, -1), 1);
  EXPECT_TRUE(n == 1499 || n == 2499) << n;

  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open_v2(store.file().c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
  sqlite3_stmt* check = nullptr;
  ASSERT_EQ(sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &check, nullptr), SQLITE_OK);
  ASSERT_EQ(sqlite3_step(check), SQLITE_ROW);
  EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(check, 0)), "ok");
  sqlite3_finalize(check);
  sqlite3_close(db);
}

// A reader is not thrown by a writer in another process that enlarges the value between the query of
// its size and the read.
TEST(RegistryValues, ReadsWhileAnotherProcessEnlargesTheValue) {
  ScopedRegistry store;
  constexpr int kSizes[] = {16, 64, 256, 1024};
  ASSERT_EQ(WriteRegistryValue(kKey, "grows", kRegBinary, std::string(16, 'a').data(), 16, 1), 1);
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  std::cout.flush();
  const pid_t writer = fork();
  ASSERT_GE(writer, 0);
  if (writer == 0) {
    close(ready[0]);
    for (long i = 0;; ++i) {
      const int size = kSizes[i % 4];
      const std::string data(static_cast<std::size_t>(size), static_cast<char>('a' + i % 4));
      if (WriteRegistryValue(kKey, "grows", kRegBinary, data.data(), size, 0) != 1) _exit(1);
      if (i == 10) close(ready[1]);
    }
  }
  close(ready[1]);
  char byte;
  ASSERT_EQ(read(ready[0], &byte, 1), 0);  // the writer is under way
  close(ready[0]);
  int failures = 0, torn = 0;
  for (int i = 0; i < 10000; ++i) {
    int type = 0;
    unsigned char* buffer = nullptr;
    const int size = ReadRegistryValue(kKey, "grows", &type, &buffer);
    if (size <= 0) {
      ++failures;
      continue;
    }
    // A whole value of one write: one of the sizes, one letter throughout.
    const std::string text(reinterpret_cast<char*>(buffer), static_cast<std::size_t>(size));
    torn += std::find(std::begin(kSizes), std::end(kSizes), size) == std::end(kSizes) ||
            text.find_first_not_of(text[0]) != std::string::npos || buffer[size] != 0;
    FreeRegistryBuffer(buffer);
  }
  kill(writer, SIGKILL);
  int status = 0;
  waitpid(writer, &status, 0);
  EXPECT_EQ(failures, 0);
  EXPECT_EQ(torn, 0);
  EXPECT_TRUE(WIFSIGNALED(status)) << "the writer failed";
}

// While another process holds the store's write lock, a write waits the 5-second busy timeout once,
// not once per step, and then fails with the store reported busy.
TEST(RegistryValues, ABusyStoreWaitsItsTimeoutOnce) {
  ScopedRegistry store;
  ASSERT_EQ(WriteAgentNumber("N", 1, 1), 1);
  sqlite3* holder = nullptr;
  ASSERT_EQ(sqlite3_open(store.file().c_str(), &holder), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(holder, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
  const auto start = std::chrono::steady_clock::now();
  {
    MessageCapture capture;
    EXPECT_EQ(WriteAgentNumber("N", 2, 1), -1);
    ExpectFailureReport(capture.Lines(), std::string(kAgentKey) + "\\N", EBUSY);
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  sqlite3_exec(holder, "ROLLBACK", nullptr, nullptr, nullptr);
  sqlite3_close(holder);
  EXPECT_GE(seconds, 4.5);
  EXPECT_LT(seconds, 9.0) << "waited more than once";
  std::int32_t n = 0;
  EXPECT_EQ(ReadAgentNumber("N", &n, 0), 1);
  EXPECT_EQ(n, 1);
}

}  // namespace
