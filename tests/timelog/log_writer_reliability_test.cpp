// The log writer under crashes, failing writes, a second writer and an unreadable store.
#include <algorithm>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <regex>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include "lumenrt/core/registry_values.h"
#include "lumenrt/timelog/log_writer.h"

#include "platform/registry_test_support.h"
#include "support/faulty_files.h"

namespace {

using lumenrt::testing::ReadFile;
using lumenrt::testing::ScopedRegistry;
using lumenrt::testing::TempDir;
using lumenrt::testing::WriteFile;
namespace fs = std::filesystem;

std::int32_t Stored(const std::string& base, const char* what) {
  std::int32_t n = 0;
  return ReadAgentNumber((base + "_CurrLog" + what).c_str(), &n, INT_MIN) >= 0 ? n : -999;
}

// In a child: opens the log and writes "<tag> n<i> <padding>" for i = 0, 1, ... count - 1, then
// leaves without any clean-up of its own.
pid_t SpawnWriter(const std::string& dir, const std::string& base, const std::string& tag, int count) {
  const pid_t pid = fork();
  if (pid != 0) return pid;
  LogOpen(dir.c_str(), base.c_str(), 0);
  for (int i = 0; i < count; ++i)
    LogWrite(0, (tag + " n" + std::to_string(i) + " ........................").c_str());
  lumenrt::LogClose();
  _exit(0);
}

// The lines of the three files in ring order starting at file 1; every one must be whole.
struct Lines {
  std::map<std::string, std::vector<int>> numbersByTag;  // in file order
  std::vector<std::string> damaged;
  int cut = 0;  // lines cut short where a writer was killed
};
Lines ReadLines(const std::string& dir, const std::string& base) {
  static const std::regex kLine(R"([A-Z][a-z]{2}[0-9]{2} [0-9]{2}:[0-9]{2} (\S+) n([0-9]+) \.{24})");
  // The line a writer was killed in may be cut anywhere (a write interrupted between two pages).
  static const std::regex kCut(
      R"([A-Z][a-z]{0,2}|[A-Z][a-z]{2}[0-9 :]{0,9}|[A-Z][a-z]{2}[0-9]{2} [0-9]{2}:[0-9]{2} t[0-9]* ?n?[0-9]* ?\.{0,23})");
  Lines lines;
  for (int f = 1; f <= 3; ++f) {
    std::istringstream in(ReadFile(dir + base + "-" + std::to_string(f) + ".LOG"));
    std::smatch m;
    for (std::string line; std::getline(in, line);) {
      if (std::regex_match(line, m, kLine))
        lines.numbersByTag[m[1]].push_back(std::stoi(m[2]));
      else if (std::regex_match(line, kCut))
        ++lines.cut;
      else if (line.find(kLogVersionBanner) == std::string::npos)
        lines.damaged.push_back(line);
    }
  }
  return lines;
}

class LogWriterReliability : public ::testing::Test {
 protected:
  void SetUp() override {
    LogOpen(Dir().c_str(), "Warm", 1);  // the banner of this process out of the way
    lumenrt::LogClose();
  }
  void TearDown() override { lumenrt::LogClose(); }
  std::string Dir() const { return dir_.path() + "/"; }
  std::string File(const std::string& base, int n) const {
    return Dir() + base + "-" + std::to_string(n) + ".LOG";
  }

  ScopedRegistry store_;
  TempDir dir_;
};

// A writer killed at random moments: the next open finds the count equal to the current file's
// size, no file past the limit by more than a line, and every earlier line whole and in order.
TEST_F(LogWriterReliability, KilledWriterLosesAtMostTheLineBeingWritten) {
  std::mt19937 random(20261209);
  std::uniform_int_distribution<int> delayUs(0, 12000);
  constexpr int kTrials = 80;
  for (int trial = 0; trial < kTrials; ++trial) {
    SCOPED_TRACE("trial " + std::to_string(trial));
    const std::string tag = "t" + std::to_string(trial);
    // 1000 lines of 47 bytes fill less than two of the ring's files, so however late the kill comes
    // (a loaded machine oversleeps), the trial's first lines are still there.
    const pid_t child = SpawnWriter(Dir(), "Crash", tag, 1000);
    usleep(static_cast<useconds_t>(delayUs(random)));
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);

    ASSERT_EQ(LogOpen(Dir().c_str(), "Crash", 0), 1);
    const lumenrt::LogStatus s = lumenrt::CurrentLogStatus();
    lumenrt::LogClose();
    ASSERT_EQ(s.bytesWritten, static_cast<std::int32_t>(fs::file_size(s.fileName)));
    ASSERT_EQ(Stored("Crash", "BytesWritten"), s.bytesWritten);
    ASSERT_EQ(Stored("Crash", "FileNo"), s.fileNumber);
    // A rotation cut short by the kill is finished after the next line.
    for (int f = 1; f <= 3; ++f) {
      if (fs::exists(File("Crash", f))) {
        ASSERT_LE(fs::file_size(File("Crash", f)), 32767u + 2 * 60u);
      }
    }
    const Lines lines = ReadLines(Dir(), "Crash");
    ASSERT_TRUE(lines.damaged.empty()) << lines.damaged.front();
    ASSERT_LE(lines.cut, trial + 1);  // at most one per killed writer, each ended by the next open
    // This trial's lines run 0, 1, 2, ... without a gap (it never writes a whole ring).
    const auto found = lines.numbersByTag.find(tag);
    if (found == lines.numbersByTag.end()) continue;  // killed before its first line
    std::vector<int> numbers = found->second;
    std::rotate(numbers.begin(), std::min_element(numbers.begin(), numbers.end()), numbers.end());
    for (std::size_t i = 0; i < numbers.size(); ++i) ASSERT_EQ(numbers[i], static_cast<int>(i));
  }
}

// The line a writer was killed in stays as far as it got, and the next line starts on its own line.
TEST_F(LogWriterReliability, ALineCutShortIsEndedBeforeTheNextLine) {
  ASSERT_EQ(LogOpen(Dir().c_str(), "Cut", 1), 1);
  LogWrite(0, "whole");
  lumenrt::LogClose();
  std::ofstream(File("Cut", 1), std::ios::app) << "Dec09 02:25 t1 n";  // no line feed: cut short

  ASSERT_EQ(LogOpen(Dir().c_str(), "Cut", 0), 1);
  LogWrite(0, "next");
  lumenrt::LogClose();
  const std::string text = ReadFile(File("Cut", 1));
  EXPECT_NE(text.find("\nDec09 02:25 t1 n\n"), std::string::npos) << text;
  EXPECT_EQ(text.back(), '\n');
  EXPECT_EQ(text.substr(text.size() - 5), "next\n");
  EXPECT_EQ(Stored("Cut", "BytesWritten"), static_cast<std::int32_t>(text.size()));
}

// Two processes on one log base: every line of both arrives once, no file passes the limit by more
// than one line, and the stored position is where the last line went.
TEST_F(LogWriterReliability, TwoWritersLoseNoLine) {
  constexpr int kLines = 1000;  // 2 x 1000 lines of about 50 bytes: within one round of the ring
  const pid_t a = SpawnWriter(Dir(), "Two", "a", kLines);
  const pid_t b = SpawnWriter(Dir(), "Two", "b", kLines);
  for (pid_t child : {a, b}) {
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  const Lines lines = ReadLines(Dir(), "Two");
  EXPECT_TRUE(lines.damaged.empty());
  for (const char* tag : {"a", "b"}) {
    ASSERT_EQ(lines.numbersByTag.count(tag), 1u) << tag;
    std::vector<int> numbers = lines.numbersByTag.at(tag);
    EXPECT_TRUE(std::is_sorted(numbers.begin(), numbers.end())) << tag;
    EXPECT_EQ(numbers.size(), static_cast<std::size_t>(kLines)) << tag;
  }
  for (int f = 1; f <= 3; ++f) {
    if (fs::exists(File("Two", f))) {
      EXPECT_LE(fs::file_size(File("Two", f)), 32767u + 60u);
    }
  }
  const std::int32_t number = Stored("Two", "FileNo");
  ASSERT_GE(number, 0);
  EXPECT_EQ(Stored("Two", "BytesWritten"), static_cast<std::int32_t>(fs::file_size(File("Two", number + 1))));
}

// A host with the log open forks a child that writes a line and ends with exit(); the host then
// writes beside another process. The child's end leaves the lock to the host: no line is lost and
// no file passes the limit by more than one line.
TEST_F(LogWriterReliability, AForkedChildLeavesTheLockToItsHost) {
  constexpr int kLines = 600;
  ASSERT_EQ(LogOpen(Dir().c_str(), "Fork", 1), 1);
  const pid_t child = fork();
  if (child == 0) {
    LogWrite(0, "c n0 ........................");
    std::exit(0);
  }
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  const pid_t other = SpawnWriter(Dir(), "Fork", "b", kLines);
  for (int i = 0; i < kLines; ++i)
    LogWrite(0, ("a n" + std::to_string(i) + " ........................").c_str());
  waitpid(other, &status, 0);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  lumenrt::LogClose();

  const Lines lines = ReadLines(Dir(), "Fork");
  EXPECT_TRUE(lines.damaged.empty());
  for (const auto& [tag, count] : {std::pair<std::string, int>{"a", kLines}, {"b", kLines}, {"c", 1}}) {
    ASSERT_EQ(lines.numbersByTag.count(tag), 1u) << tag;
    EXPECT_EQ(lines.numbersByTag.at(tag).size(), static_cast<std::size_t>(count)) << tag;
  }
  for (int f = 1; f <= 3; ++f) {
    if (fs::exists(File("Fork", f))) {
      EXPECT_LE(fs::file_size(File("Fork", f)), 32767u + 60u);
    }
  }
}

// A line the file does not take whole (a failed write, a short write, a failed flush) is reported,
// answered with 0 and not counted: what arrived of it is cut off, so the file holds the lines before
// and after it, whole, and the count stays the file's real size.
TEST_F(LogWriterReliability, FailedWritesAreReportedAndNotCounted) {
  const struct {
    const char* name;
    int lumenrt::test::FaultyFiles::*which;
    int at;  // the call of the second line (writes 4-6, flush 2)
  } cases[] = {
      {"failed text write", &lumenrt::test::FaultyFiles::failWriteAt, 5},
      {"short text write", &lumenrt::test::FaultyFiles::shortWriteAt, 5},
      {"failed line feed", &lumenrt::test::FaultyFiles::failWriteAt, 6},
      {"failed flush", &lumenrt::test::FaultyFiles::failFlushAt, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    lumenrt::test::ScopedFaultyFiles files;
    const std::string base = std::string("Fail") + std::to_string(&c - cases);
    ASSERT_EQ(LogOpen(Dir().c_str(), base.c_str(), 1), 1);
    files.Reset();
    const long long failedBefore = lumenrt::CurrentLogStatus().failedWrites;
    EXPECT_EQ(LogWrite(0, "first"), 1);
    files.*c.which = c.at;
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(LogWrite(0, "second line"), 0);
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("LOGS-E-LOGWRITE"), std::string::npos) << err;
    EXPECT_NE(err.find(File(base, 1)), std::string::npos) << err;
    EXPECT_EQ(LogWrite(0, "third"), 1);
    const lumenrt::LogStatus s = lumenrt::CurrentLogStatus();
    EXPECT_EQ(s.failedWrites, failedBefore + 1);
    const auto real = static_cast<std::int32_t>(fs::file_size(File(base, 1)));
    EXPECT_EQ(s.bytesWritten, real);
    EXPECT_EQ(Stored(base, "BytesWritten"), real);
    const std::string text = ReadFile(File(base, 1));
    EXPECT_EQ(real, 2 * 12 + 12) << text;
    EXPECT_EQ(text.substr(12, 6) + text.substr(30), "first\nthird\n") << text;
    lumenrt::LogClose();
  }
}

// A full disk under the tool: the log file is the full device.
TEST_F(LogWriterReliability, FullDiskMakesTheToolFail) {
  if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full on this system";
  fs::create_symlink("/dev/full", File("Full", 1));
  const auto r = lumenrt::testing::RunTool({"log", "write", "--dir", Dir(), "--base", "Full", "one", "two"});
  EXPECT_NE(r.exit, 0) << r.out;
  EXPECT_NE(r.err.find("LOGS-E-LOGWRITE"), std::string::npos) << r.err;
  EXPECT_EQ(Stored("Full", "BytesWritten"), 0);
}

// A line torn by a full disk (a small tmpfs filled up; as root, in a private mount namespace,
// skipped otherwise) is cut off again: the count stays the file's size, and once there is room the
// next line starts on a line of its own.
TEST_F(LogWriterReliability, ALineTornByAFullDiskIsCutOff) {
  const std::string disk = Dir() + "disk/";
  fs::create_directory(disk);
  const pid_t child = fork();
  if (child == 0) {
    if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_PRIVATE | MS_REC, nullptr) != 0 ||
        mount("lumenrt-test", disk.c_str(), "tmpfs", 0, "size=64k") != 0)
      _exit(77);
    if (LogOpen(disk.c_str(), "Full", 1) != 1 || LogWrite(0, "first") != 1) _exit(1);
    {
      std::ofstream filler(disk + "filler", std::ios::binary);
      const std::string page(4096, 'f');
      while (filler.write(page.data(), static_cast<std::streamsize>(page.size())) && filler.flush()) {
      }
    }
    ::testing::internal::CaptureStderr();
    const int torn = LogWrite(0, std::string(5000, 'x').c_str());
    ::testing::internal::GetCapturedStderr();
    const std::string file = disk + "Full-1.LOG";
    if (torn != 0) _exit(2);
    if (lumenrt::CurrentLogStatus().bytesWritten != static_cast<std::int32_t>(fs::file_size(file))) _exit(3);
    fs::remove(disk + "filler");
    if (LogWrite(0, "next") != 1) _exit(4);
    const std::string text = ReadFile(file);
    if (lumenrt::CurrentLogStatus().bytesWritten != static_cast<std::int32_t>(text.size())) _exit(5);
    _exit(text.size() == 2 * 12 + 6 + 5 && text.substr(12, 6) == "first\n" && text.substr(30) == "next\n"
              ? 0
              : 6);
  }
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == 77) GTEST_SKIP() << "needs root for a private mount namespace";
  EXPECT_EQ(WEXITSTATUS(status), 0)
      << "1 no log, 2 torn line answered 1, 3 count is not the size, 4 no room "
         "again, 5 count is not the size afterwards, 6 the next line is glued on";
}

// A store that cannot be read at open: reported, and the log goes on in the newest file of the
// ring, not in file 1.
TEST_F(LogWriterReliability, UnreadableStoreContinuesInTheNewestFile) {
  const auto now = fs::file_time_type::clock::now();
  for (int f = 1; f <= 3; ++f) WriteFile(File("Agent", f), "line\n");
  fs::last_write_time(File("Agent", 1), now - std::chrono::hours(3));
  fs::last_write_time(File("Agent", 2), now - std::chrono::hours(1));
  fs::last_write_time(File("Agent", 3), now - std::chrono::hours(2));
  ScopedRegistry broken;  // a store this process has not opened yet
  WriteFile(broken.file(), std::string(4096, 'G'));
  ::testing::internal::CaptureStdout();
  ::testing::internal::CaptureStderr();
  ASSERT_EQ(LogOpen(Dir().c_str(), "Agent", 0), 1);
  LogWrite(0, "next");
  const std::string reports =
      ::testing::internal::GetCapturedStdout() + ::testing::internal::GetCapturedStderr();
  EXPECT_NE(reports.find("SYST-"), std::string::npos) << reports;  // the store's failure is reported
  const lumenrt::LogStatus s = lumenrt::CurrentLogStatus();
  EXPECT_EQ(s.fileName, File("Agent", 2));
  EXPECT_EQ(s.bytesWritten, 5 + 17);
  EXPECT_EQ(ReadFile(File("Agent", 1)), "line\n");
}

// A store that can be read but not written (a directory the process may not write): the log
// continues at the stored position, not in the newest file.
TEST_F(LogWriterReliability, AStoreThatCannotBeWrittenStillGivesThePosition) {
  const auto now = fs::file_time_type::clock::now();
  for (int f = 1; f <= 3; ++f) {
    WriteFile(File("Agent", f), "line\n");
    fs::permissions(File("Agent", f), fs::perms::all & ~fs::perms::owner_exec & ~fs::perms::group_exec &
                                          ~fs::perms::others_exec);
    fs::last_write_time(File("Agent", f), now - std::chrono::hours(4 - f));  // file 3 is the newest
  }
  fs::permissions(Dir(), fs::perms::all);
  ASSERT_EQ(WriteAgentNumber("Agent_CurrLogFileNo", 1, 1), 1);
  ASSERT_EQ(WriteAgentNumber("Agent_CurrLogBytesWritten", 5, 1), 1);
  lumenrt::testing::CloseStoreConnection();
  const std::string expected = File("Agent", 2);
  const int code = lumenrt::testing::RunWithReadOnlyStore(store_.file(), [&] {
    if (LogOpen(Dir().c_str(), "Agent", 0) != 1) return 1;
    return lumenrt::CurrentLogStatus().fileName == expected ? 0 : 2;
  });
  EXPECT_EQ(code, 0) << "1: no log, 2: not the stored file";
}

}  // namespace
