// The cipher commands of the lumenrt tool, run as a user would.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "crypto/test_util.h"
#include "support/run_tool.h"

namespace {

using namespace lumenrt::test;
namespace fs = std::filesystem;

using lumenrt::test::RunToolCommand;
using Result = lumenrt::test::ToolRun;

class ToolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("lumenrt_cipher_tool_" + std::to_string(getpid()));
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  void Write(const std::string& name, const Bytes& b) const {
    std::ofstream(Path(name), std::ios::binary).write(reinterpret_cast<const char*>(b.data()), b.size());
  }
  void WriteText(const std::string& name, const std::string& text) const {
    std::ofstream(Path(name), std::ios::binary) << text;
  }
  Bytes Read(const std::string& name) const {
    std::ifstream in(Path(name), std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
  }

  fs::path dir_;
};

TEST_F(ToolTest, ListsTheSevenCiphers) {
  Result r = RunToolCommand("cipher list");
  EXPECT_EQ(r.exit, 0);
  EXPECT_NE(r.out.find("8\t6\tAES (128-bit)\tAES\t128\t350\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("5\t4\tTripleDES (112-bit)\tTRIPLEDES\t112\t200\n"), std::string::npos) << r.out;
  EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 8);
}

TEST_F(ToolTest, EnciphersAndDeciphersFilesWithEveryCipher) {
  const Bytes plain = Pattern(5000, 21);
  Write("plain", plain);
  const char* names[] = {"des", "QWIK", "zcrypt1", "Blowfish128", "tripledes", "blowfish56", "aes"};
  for (int i = 0; i < 7; ++i) {
    const std::string type = std::to_string(kTypes[i]);
    for (const std::string& c : {type, std::string(names[i])}) {
      ASSERT_EQ(
          RunToolCommand("encrypt --cipher " + c + " --key 'a key' " + Path("plain") + " " + Path("enc"))
              .exit,
          0);
      EXPECT_EQ(Read("enc"), Encrypted(*Make(kTypes[i], "a key"), plain)) << c;
      ASSERT_EQ(
          RunToolCommand("decrypt --cipher " + c + " --key 'a key' < " + Path("enc") + " > " + Path("dec"))
              .exit,
          0);
      EXPECT_EQ(Read("dec"), plain) << c;
    }
    // --chunk N: each N-byte piece is its own call.
    ASSERT_EQ(RunToolCommand("encrypt --cipher " + type + " --key k --chunk 1000 " + Path("plain") + " " +
                             Path("enc"))
                  .exit,
              0);
    Bytes expected = plain;
    auto cipher = Make(kTypes[i], "k");
    for (size_t at = 0; at < expected.size(); at += 1000)
      cipher->Encrypt(expected.data() + at,
                      static_cast<uint32_t>(std::min<size_t>(1000, expected.size() - at)));
    EXPECT_EQ(Read("enc"), expected) << type;
    ASSERT_EQ(RunToolCommand("decrypt --cipher " + type + " --key k --chunk 1000 " + Path("enc") + " " +
                             Path("dec"))
                  .exit,
              0);
    EXPECT_EQ(Read("dec"), plain) << type;
  }
}

TEST_F(ToolTest, BadOptionsWriteNothing) {
  Write("plain", Pattern(100));
  for (const char* bad : {"--cipher 7 --key k", "--cipher rot13 --key k", "--cipher 1 --key ''", "--cipher 1",
                          "--key k", "--cipher 1 --key k --chunk 0", "--cipher 1 --key k --chunk x"}) {
    EXPECT_EQ(RunToolCommand(std::string("encrypt ") + bad + " " + Path("plain") + " " + Path("out")).exit, 2)
        << bad;
    EXPECT_FALSE(fs::exists(Path("out"))) << bad;
  }
  // Unreadable input: a missing file, a directory.
  for (const std::string& in : {Path("missing"), dir_.string()}) {
    EXPECT_EQ(RunToolCommand("decrypt --cipher 1 --key k " + in + " " + Path("out")).exit, 2) << in;
    EXPECT_FALSE(fs::exists(Path("out"))) << in;
  }
  EXPECT_EQ(RunToolCommand("decrypt --cipher 1 --key k < " + dir_.string()).exit, 2);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator{}), 1)
      << "temporary file left";
}

// --key, --key-file (its first line) and --key-env give the same key; exactly one of them is taken.
TEST_F(ToolTest, TheKeyComesFromTheCommandLineAFileOrTheEnvironment) {
  Write("plain", Pattern(100, 5));
  WriteText("lf", "a key\nx\n");
  WriteText("crlf", "a key\r\n");
  WriteText("blank", "\na key");
  const struct {
    std::string options, err;  // err: a part of the one-line error; empty: enciphered with "a key"
  } cases[] = {
      {"--key 'a key'", ""},
      {"--key-file lf", ""},
      {"--key-file crlf", ""},
      {"--key-env KEY", ""},
      {"--key-file missing", "cannot read the key file 'missing'"},
      {"--key-file blank", "the key file 'blank' has no key"},
      {"--key-env UNSET", "the environment variable UNSET is not set"},
      {"--key-env EMPTY", "the environment variable EMPTY is empty"},
      {"--key-file lf --key-env KEY", "excludes"},
      {"", "a key is required"},
  };
  for (const auto& c : cases) {
    fs::remove(Path("out"));
    const Result r = RunToolCommand("encrypt --cipher AES " + c.options + " plain out", dir_.string(),
                                    "env -u UNSET KEY='a key' EMPTY=");
    EXPECT_EQ(r.exit, c.err.empty() ? 0 : 2) << c.options << "\n" << r.err;
    EXPECT_NE(r.err.find(c.err), std::string::npos) << c.options << "\n" << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), c.err.empty() ? 0 : 1) << r.err;
    if (c.err.empty()) {
      EXPECT_EQ(Read("out"), Encrypted(*Make(8, "a key"), Pattern(100, 5))) << c.options;
    }
  }
}

TEST_F(ToolTest, OutputReplacesNoLinkAndKeepsPermissions) {
  const Bytes plain = {'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 'i'};
  Write("plain", plain);
  Write("target", {});
  fs::permissions(Path("target"), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  fs::create_symlink(Path("target"), Path("link"));
  ASSERT_EQ(RunToolCommand("encrypt --cipher 2 --key k " + Path("plain") + " " + Path("link")).exit, 0);
  EXPECT_TRUE(fs::is_symlink(Path("link"))) << "the link is written through, not replaced";
  EXPECT_EQ(Read("target"), Encrypted(*Make(2, "k"), plain));

  ASSERT_EQ(RunToolCommand("encrypt --cipher 2 --key k " + Path("plain") + " " + Path("target")).exit, 0);
  EXPECT_EQ(fs::status(Path("target")).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

// Whatever names IN and OUT use, the file being read never loses its bytes: OUT naming the file itself
// gets the result in a new file put in its place; OUT reaching it through a link is refused (exit 1).
TEST_F(ToolTest, TheInputFileIsNeverOverwrittenWhileItIsRead) {
  const Bytes plain = Pattern(5000, 9);
  const struct {
    const char* what;
    std::string tail;    // after "encrypt|decrypt --cipher 1 --key k [--chunk N] "
    int exit;            // 0: "data" holds the result (or keeps its bytes when `result` names another file)
    const char* result;  // where the result is, when exit is 0
  } cases[] = {
      {"a symbolic link", Path("data") + " " + Path("link"), 1, nullptr},
      {"/dev/stdin", "- /dev/stdin < " + Path("data"), 1, nullptr},
      {"/proc/self/fd/0", "- /proc/self/fd/0 < " + Path("data"), 1, nullptr},
      {"/proc/self/fd/3", Path("data") + " /proc/self/fd/3 3< " + Path("data"), 1, nullptr},
      {"standard output", Path("data") + " 1<> " + Path("data"), 1, nullptr},
      {"the same name", Path("data") + " " + Path("data"), 0, "data"},
      {"the same name through a linked folder", Path("data") + " " + Path("folder/data"), 0, "data"},
      {"standard input, the same name", "- " + Path("data") + " < " + Path("data"), 0, "data"},
      {"a hard link", Path("data") + " " + Path("hard"), 0, "hard"},
  };
  fs::create_directory_symlink(dir_, Path("folder"));
  for (const auto& c : cases) {
    for (const char* command : {"encrypt", "decrypt"}) {
      for (const char* chunk : {"--chunk 16 ", "--chunk 4096 ", ""}) {
        SCOPED_TRACE(std::string(c.what) + ", " + command + " " + chunk);
        Write("data", plain);
        fs::remove(Path("link"));
        fs::remove(Path("hard"));
        fs::create_symlink(Path("data"), Path("link"));
        fs::create_hard_link(Path("data"), Path("hard"));
        const Result r = RunToolCommand(std::string(command) + " --cipher 1 --key k " + chunk + c.tail);
        ASSERT_EQ(r.exit, c.exit) << r.err;
        if (c.exit != 0) {
          EXPECT_EQ(r.err.rfind("lumenrt: ", 0), 0u) << r.err;
          EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
          EXPECT_EQ(Read("data"), plain);
          continue;
        }
        const Bytes result = Read(c.result);
        EXPECT_EQ(result.size(), plain.size());
        EXPECT_NE(result, plain);
        if (std::string(c.result) != "data") {
          EXPECT_EQ(Read("data"), plain) << "the other name keeps its bytes";
        }
      }
    }
  }
}

TEST_F(ToolTest, Passwords) {
  Result enc = RunToolCommand("password encode 'my secret' --modifier 77");
  ASSERT_EQ(enc.exit, 0);
  ASSERT_EQ(enc.out.size(), 65u);
  EXPECT_EQ(enc.out.substr(62), "4D\n");
  Result dec = RunToolCommand("password decode " + enc.out.substr(0, 64));
  EXPECT_EQ(dec.exit, 0);
  EXPECT_EQ(dec.out, "my secret\n");
  Result random = RunToolCommand("password encode 'my secret'");
  EXPECT_EQ(RunToolCommand("password decode " + random.out.substr(0, 64)).out, "my secret\n");
  EXPECT_EQ(RunToolCommand("password decode 1234").exit, 2);
  EXPECT_EQ(RunToolCommand("password decode " + std::string(63, '0') + "z").exit, 2);
  EXPECT_EQ(RunToolCommand("password encode " + std::string(32, 'a')).exit, 2);
  EXPECT_EQ(RunToolCommand("password encode a --modifier 256").exit, 2);
}

// Without TEXT, or with -, the password is the first line of standard input.
TEST_F(ToolTest, PasswordToEncodeFromStandardInput) {
  const std::string secret = RunToolCommand("password encode 'my secret' --modifier 7").out;
  const std::string empty = RunToolCommand("password encode '' --modifier 7").out;
  ASSERT_EQ(secret.size(), 65u);
  const struct {
    std::string input, text;  // text: the operand, if any
    std::string out;          // empty: refused
  } cases[] = {
      {"my secret\n", "-", secret},
      {"my secret\r\nnext\n", "", secret},
      {"my secret", "-", secret},
      {"\n", "-", empty},
      {"", "-", ""},
      {std::string(32, 'a') + "\n", "", ""},
  };
  for (const auto& c : cases) {
    WriteText("in", c.input);
    const Result r = RunToolCommand("password encode " + c.text + " --modifier 7 < in", dir_.string());
    EXPECT_EQ(r.exit, c.out.empty() ? 2 : 0) << c.input << "\n" << r.err;
    EXPECT_EQ(r.out, c.out) << c.input;
  }
}

}  // namespace
