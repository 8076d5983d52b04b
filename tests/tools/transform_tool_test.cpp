// encrypt / decrypt on large and streamed input: pieces across buffer refills, bounded memory, the
// one-call length limit, and outputs that must not be replaced.
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "crypto/test_util.h"
#include "support/run_tool.h"

namespace {

namespace fs = std::filesystem;
using lumenrt::test::Bytes;
using lumenrt::test::Make;
using lumenrt::test::Pattern;
using lumenrt::test::RunToolCommand;

class TransformTool : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "lumenrt-transform-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
  }
  void TearDown() override {
    fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add);
    fs::remove_all(dir_);
  }

  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  void Write(const std::string& name, const Bytes& b) const {
    std::ofstream(Path(name), std::ios::binary).write(reinterpret_cast<const char*>(b.data()), b.size());
  }
  Bytes Read(const std::string& name) const {
    std::ifstream in(Path(name), std::ios::binary);
    Bytes b(fs::exists(Path(name)) ? fs::file_size(Path(name)) : 0);
    in.read(reinterpret_cast<char*>(b.data()), static_cast<std::streamsize>(b.size()));
    return b;
  }

  fs::path dir_;
};

// Runs the tool on `bytes` generated into a pipe, its output thrown away; returns its peak resident
// memory in KiB, or -1 when it did not exit 0.
[[maybe_unused]] long PeakKibOnPipedInput(const std::vector<std::string>& args, size_t bytes) {
  int pipeFds[2];
  if (pipe(pipeFds) != 0) return -1;
  const pid_t pid = fork();
  if (pid == 0) {
    dup2(pipeFds[0], STDIN_FILENO);
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, STDOUT_FILENO);
    close(pipeFds[0]);
    close(pipeFds[1]);
    std::vector<char*> argv{const_cast<char*>(LUMENRT_TOOL_PATH)};
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(LUMENRT_TOOL_PATH, argv.data());
    _exit(127);
  }
  close(pipeFds[0]);
  std::signal(SIGPIPE, SIG_IGN);
  const Bytes block = Pattern(1 << 20, 7);
  for (size_t sent = 0; sent < bytes;) {
    const size_t n = std::min(block.size(), bytes - sent);
    const ssize_t w = write(pipeFds[1], block.data(), n);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) break;
    sent += static_cast<size_t>(w);
  }
  close(pipeFds[1]);
  int status = 0;
  rusage usage{};
  if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
  return usage.ru_maxrss;
}

TEST_F(TransformTool, PiecesComeOutAsSeparateCallsAcrossBufferRefills) {
  // More than the tool's 16 MiB stream buffer, with a piece size that does not divide it.
  const Bytes plain = Pattern(17u << 20 | 12345, 3);
  Write("plain", plain);
  const uint32_t piece = 1000003;
  for (int type : {2, 8}) {
    const std::string c = " --cipher " + std::to_string(type) + " --key k --chunk " + std::to_string(piece);
    ASSERT_EQ(RunToolCommand("encrypt" + c + " < " + Path("plain") + " > " + Path("enc")).exit, 0);
    Bytes expected = plain;
    auto cipher = Make(type, "k");
    for (size_t at = 0; at < expected.size(); at += piece)
      cipher->Encrypt(expected.data() + at,
                      static_cast<uint32_t>(std::min<size_t>(piece, expected.size() - at)));
    EXPECT_TRUE(Read("enc") == expected) << type;
    ASSERT_EQ(RunToolCommand("decrypt" + c + " " + Path("enc") + " " + Path("dec")).exit, 0);
    EXPECT_TRUE(Read("dec") == plain) << type;
  }
}

TEST_F(TransformTool, MemoryStaysBoundedWhenStreamingAndHoldsTheInputOnceOtherwise) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the sanitizer's own memory hides the tool's";
#else
  const long streamed = PeakKibOnPipedInput({"encrypt", "--cipher", "aes", "--key", "k", "--chunk", "65536"},
                                            size_t{160} << 20);
  ASSERT_GT(streamed, 0);
  EXPECT_LT(streamed, 64 * 1024) << "KiB for 160 MiB streamed";
  const size_t whole = size_t{96} << 20;
  const long held = PeakKibOnPipedInput({"decrypt", "--cipher", "qwik", "--key", "k"}, whole);
  ASSERT_GT(held, 0);
  EXPECT_LT(held, static_cast<long>(whole / 1024 + 16 * 1024)) << "KiB for 96 MiB in one call";
#endif
}

TEST_F(TransformTool, InputBeyondOneCallIsRefusedWithoutChunk) {
  // A sparse file one byte over the limit: refused before anything is read.
  { std::ofstream(Path("huge")); }
  fs::resize_file(Path("huge"), 4294967296ull);
  const auto r = RunToolCommand("encrypt --cipher 2 --key k " + Path("huge") + " " + Path("out"));
  EXPECT_EQ(r.exit, 2);
  EXPECT_NE(r.err.find("larger than one call takes"), std::string::npos) << r.err;
  EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
  EXPECT_FALSE(fs::exists(Path("out")));
}

TEST_F(TransformTool, ReadOnlyOutputIsRefusedAndLeftAlone) {
  Write("plain", Pattern(1000));
  Write("locked", {'o', 'l', 'd'});
  fs::permissions(Path("locked"), fs::perms::owner_read | fs::perms::group_read);
  for (const char* chunk : {"", " --chunk 100"}) {
    const auto r = RunToolCommand(std::string("encrypt --cipher 8 --key k") + chunk + " " + Path("plain") +
                                  " " + Path("locked"));
    EXPECT_EQ(r.exit, 1) << chunk;
    EXPECT_NE(r.err.find("read-only"), std::string::npos) << r.err;
    EXPECT_TRUE(Read("locked") == (Bytes{'o', 'l', 'd'})) << chunk;
  }
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator{}), 2)
      << "temporary file left";
  // A writable file is replaced as before, keeping its permissions.
  Write("open", {});
  fs::permissions(Path("open"), fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_EQ(
      RunToolCommand("encrypt --cipher 8 --key k --chunk 100 " + Path("plain") + " " + Path("open")).exit, 0);
  EXPECT_EQ(Read("open").size(), 1000u);
  EXPECT_EQ(fs::status(Path("open")).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write);
}

}  // namespace
