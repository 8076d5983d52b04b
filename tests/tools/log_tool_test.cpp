// The log commands of the lumenrt tool: writing the ring, reading it back in order, following it
// across rotations, and where its position is stored.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "support/environment.h"
#include "support/run_tool.h"
#include "support/scratch_dir.h"

namespace {

using lumenrt::test::RunTool;
using lumenrt::test::ScratchDir;
using lumenrt::test::ToolRun;

// About 200 bytes a line: a file takes some 160 of them before the next one is started.
std::string Line(int n) {
  char head[16];
  std::snprintf(head, sizeof head, "line %05d ", n);
  return head + std::string(188, 'x');
}

// The numbers of the "line N" lines of a log's text, in their order (banners left out).
std::vector<int> LineNumbers(const std::string& text) {
  std::vector<int> numbers;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);)
    if (line.size() > 12 && line.compare(12, 5, "line ") == 0)
      numbers.push_back(std::stoi(line.substr(17, 5)));
  return numbers;
}

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

class LogToolTest : public ::testing::Test {
 protected:
  void SetUp() override { lumenrt::test::SetEnvironment("LUMENRT_REGISTRY", (dir_ / "registry.db").c_str()); }
  void TearDown() override { lumenrt::test::UnsetEnvironment("LUMENRT_REGISTRY"); }

  // Writes lines first to last, `batch` to a process; answers the last process's result.
  ToolRun Write(int first, int last, int batch = 100) {
    ToolRun run;
    for (int from = first; from <= last; from += batch) {
      std::vector<std::string> args = {"log", "write", "--dir", dir_.path(), "--base", "Agent"};
      for (int n = from; n <= last && n < from + batch; ++n) args.push_back(Line(n));
      run = RunTool(args);
      EXPECT_EQ(run.exit, 0) << run.err;
    }
    return run;
  }
  ToolRun Read(const std::string& verb, const std::string& extra = "") {
    std::vector<std::string> args = {"log", verb, "--dir", dir_.path(), "--base", "Agent"};
    if (!extra.empty()) args.push_back(extra);
    return RunTool(args);
  }

  ScratchDir dir_{"lumenrt-log-tool"};
};

// Written, shown and stored after no rotation, one, and three (file 1 emptied again holds the newest
// lines): `show` prints them in written order ending with the current file, `status` names that
// file with the numbers the store holds, and `write` prints the number the file's name carries.
TEST_F(LogToolTest, ShowStatusAndWriteAgreeWithTheRingAcrossRotations) {
  struct Case {
    int lines, currentFile;
    bool firstKept;  // whether line 1 is still in the ring
  };
  for (const Case& c : {Case{50, 1, true}, Case{250, 2, true}, Case{550, 1, false}}) {
    SCOPED_TRACE(c.lines);
    for (const auto& e : std::filesystem::directory_iterator(dir_.path())) std::filesystem::remove(e.path());
    const ToolRun written = Write(1, c.lines);
    const std::string file = dir_ / ("Agent-" + std::to_string(c.currentFile) + ".LOG");
    EXPECT_EQ(written.out.substr(0, written.out.find(',')),
              file + ": file number " + std::to_string(c.currentFile));

    const ToolRun shown = Read("show");
    ASSERT_EQ(shown.exit, 0) << shown.err;
    const std::vector<int> numbers = LineNumbers(shown.out);
    ASSERT_FALSE(numbers.empty());
    EXPECT_EQ(numbers.back(), c.lines);
    EXPECT_EQ(numbers.front() == 1, c.firstKept) << numbers.front();
    for (std::size_t i = 1; i < numbers.size(); ++i) ASSERT_EQ(numbers[i], numbers[i - 1] + 1) << i;
    EXPECT_TRUE(shown.out.ends_with(Slurp(file))) << "the current file comes last";

    const ToolRun status = Read("status", "--json");
    ASSERT_EQ(status.exit, 0) << status.err;
    const auto r = nlohmann::json::parse(status.out).at(0);
    const auto size = static_cast<long long>(std::filesystem::file_size(file));
    EXPECT_EQ(r["file"], file);
    EXPECT_EQ(r["stored_number"], c.currentFile - 1);
    EXPECT_EQ(r["stored_bytes"], size);
    EXPECT_EQ(r["file_size"], size);
    EXPECT_EQ(r["key"], "SOFTWARE\\Orvane\\Lumenhold\\Agent");
    EXPECT_EQ(r["number_value"], "Agent_CurrLogFileNo");
    EXPECT_EQ(r["bytes_value"], "Agent_CurrLogBytesWritten");
  }
}

TEST_F(LogToolTest, FollowPrintsEveryLaterLineOnceAcrossRotations) {
  Write(1, 20);
  const std::string out = dir_ / "follow.out";
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    const int fd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(fd, 1);
    execl(LUMENRT_TOOL_PATH, "lumenrt", "log", "show", "--dir", dir_.path().c_str(), "--base", "Agent",
          "--follow", static_cast<char*>(nullptr));
    _exit(127);
  }
  // Bounded waits, for the lines there before it started and then for each batch written after:
  // one rotation, two in one process (faster than it looks), and the one that empties file 1.
  const auto waitFor = [&](int last) {
    for (int i = 0; i < 300; ++i) {
      const auto numbers = LineNumbers(Slurp(out));
      if (!numbers.empty() && numbers.back() >= last) return;
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
  };
  waitFor(20);
  for (const auto& [first, last] : {std::pair{21, 200}, std::pair{201, 500}, std::pair{501, 560}}) {
    Write(first, last, 300);
    waitFor(last);
  }
  kill(child, SIGTERM);
  int status = 0;
  waitpid(child, &status, 0);

  const std::vector<int> numbers = LineNumbers(Slurp(out));
  ASSERT_EQ(numbers.size(), 560u);
  for (int i = 0; i < 560; ++i) ASSERT_EQ(numbers[i], i + 1);
}

}  // namespace
