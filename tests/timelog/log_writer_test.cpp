#include "lumenrt/timelog/log_writer.h"

#include <climits>
#include <filesystem>
#include <regex>
#include <string>

#include <gtest/gtest.h>

#include "lumenrt/core/registry_values.h"

#include "platform/registry_test_support.h"
#include "support/faulty_files.h"

namespace {

using lumenrt::testing::ReadFile;
using lumenrt::testing::ScopedRegistry;
using lumenrt::testing::TempDir;
using lumenrt::testing::WriteFile;

constexpr std::int32_t kNone = INT_MIN;  // nothing stored

std::int32_t Stored(const std::string& base, const char* what) {
  std::int32_t n = 0;
  return ReadAgentNumber((base + "_CurrLog" + what).c_str(), &n, kNone) >= 0 ? n : -999;
}

class LogWriter : public ::testing::Test {
 protected:
  // The version banner comes once per process, with the first open; it is out of the way before the
  // cases count bytes.
  static void SetUpTestSuite() {
    ScopedRegistry store;
    TempDir dir;
    LogOpen((dir.path() + "/").c_str(), "Warm", 1);
    lumenrt::LogClose();
  }
  void TearDown() override { lumenrt::LogClose(); }

  std::string Dir() const { return dir_.path() + "/"; }
  std::string File(int n) const { return Dir() + "Agent-" + std::to_string(n) + ".LOG"; }

  ScopedRegistry store_;
  TempDir dir_;
};

TEST_F(LogWriter, FirstOpenStartsFileOneAndCountsEveryLine) {
  WriteFile(File(1), "old\n");
  ASSERT_EQ(LogOpen(Dir().c_str(), "Agent", 0), 1);
  EXPECT_EQ(Stored("Agent", "FileNo"), 0);
  EXPECT_EQ(Stored("Agent", "BytesWritten"), 4);  // what the file already holds
  LogWrite(0, "hello");
  LogWrite(0, nullptr);
  EXPECT_EQ(Stored("Agent", "BytesWritten"), 4 + 18 + 13);
  const std::string text = ReadFile(File(1));
  EXPECT_TRUE(
      std::regex_match(text, std::regex("old\n[A-Z][a-z]{2}[0-9]{2} [0-9]{2}:[0-9]{2} hello\n.{12}\n")))
      << text;
  ASSERT_EQ(LogOpen(Dir().c_str(), "Agent", 1), 1);  // truncate: the count starts over with the file
  EXPECT_EQ(ReadFile(File(1)), "");
  EXPECT_EQ(Stored("Agent", "BytesWritten"), 0);
  EXPECT_EQ(lumenrt::CurrentLogStatus().bytesWritten, 0);
  LogWrite(0, "again");
  EXPECT_EQ(Stored("Agent", "BytesWritten"), 18);
}

TEST_F(LogWriter, RotatesThroughTheRing) {
  const struct {
    const char* name;
    std::int32_t fileNo, bytes;
    std::string lineFile;
    std::int32_t fileNoAfter, bytesAfter;
    std::string openFile;
  } cases[] = {
      {"past the limit", 0, 32757, "Agent-1.LOG", 1, 0, "Agent-2.LOG"},
      {"exactly the limit", 0, 32754, "Agent-1.LOG", 0, 32767, "Agent-1.LOG"},
      {"after the third", 2, 32767, "Agent-3.LOG", 0, 0, "Agent-1.LOG"},
      {"outside the ring", 5, 32767, "Agent-6.LOG", 6, 0, "Agent-7.LOG"},
      {"largest number", INT_MAX, 32767, "Agent-2147483648.LOG", 0, 0, "Agent-1.LOG"},
      {"negative number", -7, 0, "Agent-1.LOG", 0, 13, "Agent-1.LOG"},
      {"nothing stored", kNone, kNone, "Agent-1.LOG", 0, 13, "Agent-1.LOG"},
      {"huge count", 1, INT_MAX, "Agent-2.LOG", 2, 0, "Agent-3.LOG"},
      {"negative count", 0, -100, "Agent-1.LOG", 0, 13, "Agent-1.LOG"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ScopedRegistry store;
    TempDir dir;
    const std::string d = dir.path() + "/";
    for (const char* f :
         {"Agent-1.LOG", "Agent-2.LOG", "Agent-3.LOG", "Agent-6.LOG", "Agent-7.LOG", "Agent-2147483648.LOG"})
      WriteFile(d + f, "junk\n");
    // The file holds what the count says (sparse, so even the largest count is cheap).
    const std::uintmax_t before = c.bytes > 0 ? static_cast<std::uintmax_t>(c.bytes) : 0u;
    std::filesystem::resize_file(d + c.lineFile, before);
    if (c.fileNo != kNone) WriteAgentNumber("Agent_CurrLogFileNo", c.fileNo, 1);
    if (c.bytes != kNone) WriteAgentNumber("Agent_CurrLogBytesWritten", c.bytes, 1);
    ASSERT_EQ(LogOpen(d.c_str(), "Agent", 0), 1);
    LogWrite(0, "");
    const lumenrt::LogStatus status = lumenrt::CurrentLogStatus();
    EXPECT_EQ(std::filesystem::file_size(d + c.lineFile), before + 13u);  // appended to the old text
    EXPECT_EQ(status.fileName, d + c.openFile);
    EXPECT_TRUE(status.open);
    EXPECT_EQ(status.fileNumber, c.fileNoAfter);
    EXPECT_EQ(status.bytesWritten, c.bytesAfter);
    EXPECT_EQ(Stored("Agent", "FileNo"), c.fileNoAfter);
    EXPECT_EQ(Stored("Agent", "BytesWritten"), c.bytesAfter);
    if (c.openFile != c.lineFile) {
      EXPECT_EQ(ReadFile(d + c.openFile), "");  // started empty
    }
    lumenrt::LogClose();
  }
}

TEST_F(LogWriter, WithoutAFileLinesGoToStandardOutput) {
  const std::string missing = Dir() + "missing/";
  EXPECT_EQ(LogOpen(missing.c_str(), "Agent", 0), 0);
  EXPECT_EQ(Stored("Agent", "FileNo"), 0);  // the numbers are still kept
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(LogWrite(0, "to stdout"), 1);
  std::fflush(stdout);
  const std::string out = ::testing::internal::GetCapturedStdout();
  EXPECT_TRUE(std::regex_match(out, std::regex(".{12}to stdout\n"))) << out;
  EXPECT_EQ(Stored("Agent", "BytesWritten"), 0);
}

TEST_F(LogWriter, OverlongNamesAreRefusedAndChangeNothing) {
  ASSERT_EQ(LogOpen(Dir().c_str(), "Agent", 1), 1);
  const std::string tooLong(520, 'n');
  EXPECT_EQ(LogOpen(Dir().c_str(), tooLong.c_str(), 0), 0);
  EXPECT_EQ(LogOpen(tooLong.c_str(), "Agent", 0), 0);
  LogWrite(0, "still here");
  EXPECT_EQ(lumenrt::CurrentLogStatus().fileName, File(1));
  EXPECT_NE(ReadFile(File(1)).find("still here"), std::string::npos);
  // 519 characters are accepted; the system then refuses so long a file name.
  EXPECT_EQ(LogOpen(Dir().c_str(), std::string(519, 'n').c_str(), 0), 0);
  EXPECT_EQ(lumenrt::CurrentLogStatus().fileName, Dir() + std::string(519, 'n') + "-1.LOG");
}

// The writer reaches its files only through the platform's file service: a substitute sees every
// open, write and flush, and what it does to them shows in the file.
TEST_F(LogWriter, FilesGoThroughTheFileService) {
  lumenrt::test::ScopedFaultyFiles files;
  ASSERT_EQ(LogOpen(Dir().c_str(), "Agent", 1), 1);
  // File 1 twice: once held for the writers' lock, once written.
  ASSERT_EQ(files.openedPaths, (std::vector<std::string>{File(1), File(1)}));
  files.writes = files.flushes = 0;
  LogWrite(0, "whole");
  EXPECT_EQ(files.writes, 3);  // prefix, text, line feed
  EXPECT_EQ(files.flushes, 1);
  files.shortWriteAt = 5;                // the text of the next line: only "cut" of "cutoff"
  ::testing::internal::CaptureStderr();  // the failed line is reported
  LogWrite(0, "cutoff");
  ::testing::internal::GetCapturedStderr();
  // What arrived of the failed line is cut off again.
  EXPECT_TRUE(std::regex_match(ReadFile(File(1)), std::regex(".{12}whole\n"))) << ReadFile(File(1));

  files.failOpens = true;
  EXPECT_EQ(LogOpen(Dir().c_str(), "Other", 0), 0);
  EXPECT_FALSE(lumenrt::CurrentLogStatus().open);
}

TEST_F(LogWriter, BrokenRegistryDoesNotStopTheLog) {
  WriteFile(store_.file(), std::string(4096, 'G'));
  ::testing::internal::CaptureStderr();  // the registry failures are reported
  ::testing::internal::CaptureStdout();
  ASSERT_EQ(LogOpen(Dir().c_str(), "Agent", 0), 1);
  const std::string line(3000, 'x');
  for (int i = 0; i < 12; ++i) LogWrite(0, line.c_str());  // 3013 bytes each: rotates after the 11th
  ::testing::internal::GetCapturedStdout();
  ::testing::internal::GetCapturedStderr();
  // The position lives on in memory: the next file, not file 1 again.
  EXPECT_EQ(lumenrt::CurrentLogStatus().fileName, File(2));
  EXPECT_EQ(std::filesystem::file_size(File(1)), 11u * 3013u);
  EXPECT_EQ(std::filesystem::file_size(File(2)), 3013u);
}

TEST_F(LogWriter, PositionSurvivesARestartAndTheBannerComesOncePerProcess) {
  const auto count = [](const std::string& text) {
    int n = 0;
    for (auto at = text.find(kLogVersionBanner); at != std::string::npos;
         at = text.find(kLogVersionBanner, at + 1))
      ++n;
    return n;
  };
  const auto inFiles = [&] { return count(ReadFile(File(1)) + ReadFile(File(2)) + ReadFile(File(3))); };
  // Runs the tool and checks that it wrote the banner once, to its log or its messages.
  const auto run = [&](std::vector<std::string> texts, bool truncate) {
    std::vector<std::string> args{"log", "write", "--dir", Dir(), "--base", "Agent"};
    if (truncate) args.push_back("--truncate");
    args.insert(args.end(), texts.begin(), texts.end());
    const int before = truncate ? 0 : inFiles();
    const auto r = lumenrt::testing::RunTool(args);
    EXPECT_EQ(count(r.out + r.err) + inFiles() - before, 1);
    return r;
  };
  const auto first = run({"one", "two"}, true);
  ASSERT_EQ(first.exit, 0) << first.err;
  const auto second = run({"three"}, false);
  ASSERT_EQ(second.exit, 0) << second.err;
  const std::string text = ReadFile(File(1));
  EXPECT_LT(text.find("one"), text.find("three"));  // appended after a restart
  EXPECT_EQ(Stored("Agent", "BytesWritten"), static_cast<std::int32_t>(text.size()));

  // Near the limit, one process rotates once and still writes its banner once.
  WriteAgentNumber("Agent_CurrLogBytesWritten", 32700, 1);
  std::filesystem::resize_file(File(1), 32700);
  const auto third = run(std::vector<std::string>(8, "line"), false);
  ASSERT_EQ(third.exit, 0) << third.err;
  EXPECT_EQ(Stored("Agent", "FileNo"), 1);
  EXPECT_EQ(Stored("Agent", "BytesWritten"), static_cast<std::int32_t>(ReadFile(File(2)).size()));
  EXPECT_NE(third.out.find("Agent-2.LOG: file number 2"), std::string::npos) << third.out;
}

// A reader of the ring in another process sees the position as the writer would take it, and
// leaves the store as it found it (a negative number stays; nothing missing is created).
TEST(LogPositionReader, ReadsThePositionAndChangesNothing) {
  const struct {
    std::int32_t fileNo, bytes;  // kNone: not stored
    int read;
    std::int32_t fileNumber, bytesWritten;
    const char* fileName;
  } cases[] = {
      {kNone, kNone, 0, 0, 0, "d/B-1.LOG"},
      {2, 500, 1, 2, 500, "d/B-3.LOG"},
      {-4, -1, 1, 0, 0, "d/B-1.LOG"},
      {5, 40000, 1, 5, 40000, "d/B-6.LOG"},
  };
  for (const auto& c : cases) {
    ScopedRegistry store;
    if (c.fileNo != kNone) WriteAgentNumber("B_CurrLogFileNo", c.fileNo, 1);
    if (c.bytes != kNone) WriteAgentNumber("B_CurrLogBytesWritten", c.bytes, 1);
    const lumenrt::LogPosition p = lumenrt::ReadLogPosition("d/", "B");
    EXPECT_EQ(p.fileNumberRead, c.read) << c.fileNo;
    EXPECT_EQ(p.fileNumber, c.fileNumber) << c.fileNo;
    EXPECT_EQ(p.bytesWritten, c.bytesWritten) << c.fileNo;
    EXPECT_EQ(p.fileName, c.fileName);
    EXPECT_EQ(Stored("B", "FileNo"), c.fileNo);
    EXPECT_EQ(Stored("B", "BytesWritten"), c.bytes);
  }
}

}  // namespace
