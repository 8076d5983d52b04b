// The exit-code contract every command keeps: 0 success; 1 the answer is "none", a request is refused,
// or an operation failed on the system's side (output that cannot be written, something left); 2 bad
// usage or bad input. A failure says so in at most one line on stderr (no command at all shows the
// overview).
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "platform/registry_test_support.h"
#include "support/run_tool.h"
#include "support/scratch_dir.h"

namespace {

namespace fs = std::filesystem;

struct Row {
  const char* command;  // after "lumenrt"; "{dir}" is a scratch directory (see SetUp for its files),
                        // "{data}" the test data
  const char* input;    // standard input
  int exit;
};

// One row a case; a row may redirect standard output itself (">/dev/full").
constexpr Row kRows[] = {
    {"help", "", 0},
    {"cipher list", "", 0},
    {"encrypt --cipher 2 --key k", "hello", 0},
    {"decrypt --cipher AES --key-file {dir}/key {dir}/plain {dir}/out", "", 0},
    {"password encode --modifier 1", "s3cret", 0},
    {"message 43 4101 x", "", 0},
    {"errtext socket 10054", "", 0},
    {"filename parse --json '\\\\srv\\share\\d\\f.txt'", "", 0},
    {"time zones", "", 0},
    {"time convert --date 2026-12-31 --time 23:30 --to 60", "", 0},
    {"rmtree {dir}/missing", "", 0},
    {"completion bash", "", 0},
    {"schema list", "", 0},
    {"keywords commands", "", 0},
    {"config get --source {data}/config/job.cfg --as choice Backup.EXCH_Backup_Type", "", 0},
    {"config check {data}/config/clean.cfg", "", 0},
    {"log write --dir {dir} --base A hello", "", 0},
    {"log show --dir {dir} --base A", "", 0},
    {"log status --dir {dir} --base A", "", 0},
    {"registry import {dir}/good.reg", "", 0},
    {"plugins check --kind 2 " LUMENRT_EXAMPLE_FACTORY_MODULE, "", 0},
    {"registry list", "", 0},
    {"registry export \"\" {dir}/out", "", 0},
    // 1: none, refused, or failed on the system's side.
    {"message 1 99999 x", "", 1},
    {"errtext socket 1", "", 1},
    {"filename set --syntax 0 --part 15 --text x ''", "", 1},
    {"time convert --date 9999-12-31 --time 23:30 --to 60", "", 1},
    {"encrypt --cipher 1 --key k {dir}/plain {dir}/read-only", "", 1},
    {"encrypt --cipher 1 --key k {dir}/plain {dir}/link-to-plain", "", 1},
    {"encrypt --cipher 1 --key k {dir}/plain {dir}/no-folder/out", "", 1},
    {"encrypt --cipher 1 --key k {dir}/plain /dev/full", "", 1},
    {"rmtree {dir}/plain", "", 1},
    {"rmtree {dir}/link-to-folder", "", 1},
    {"help >/dev/full", "", 1},
    {"--version >/dev/full", "", 1},
    {"cipher list --help >/dev/full", "", 1},
    {"cipher list >/dev/full", "", 1},
    {"encrypt --cipher 2 --key k >/dev/full", "hello", 1},
    {"encrypt --cipher 2 --key k --chunk 3 >/dev/full", "hello", 1},
    {"filename parse a:b >/dev/full", "", 1},
    {"time zones --json >/dev/full", "", 1},
    {"completion bash >/dev/full", "", 1},
    {"schema list --version 100", "", 1},
    {"keywords switches --command 4", "", 1},
    {"config get --source {data}/config/job.cfg --as choice Log.Detail", "", 1},
    {"config check {data}/config/job.cfg", "", 1},
    {"log write --dir {dir}/no-folder/x --base A hello", "", 1},
    {"log show --dir {dir}/folder --base None", "", 1},
    {"log status --dir {dir}/folder --base None", "", 1},
    {"registry list NoSuchKey", "", 1},
    {"registry export NoSuchKey", "", 1},
    {"otm 0", "", 1},
    {"plugins describe --kind 2 --module {dir}/no-such.so", "", 1},
    {"plugins check --kind 0 " LUMENRT_EXAMPLE_MAILBOX_MODULE, "", 1},
    // 2: bad usage or bad input.
    {"", "", 2},
    {"frob", "", 2},
    {"cipher list --bogus", "", 2},
    {"encrypt --cipher 7 --key k", "", 2},
    {"encrypt --cipher 1 --key-file {dir}/missing", "x", 2},
    {"decrypt --cipher 1 --key k {dir}/missing {dir}/out", "", 2},
    {"decrypt --cipher 1 --key k {dir}", "", 2},
    {"password decode 1234", "", 2},
    {"password encode", "", 2},
    {"message 43 4101 --catalogue {dir}/missing.msg", "", 2},
    {"message 75 4109 many", "", 2},
    {"errtext bogus 1", "", 2},
    {"filename parse --syntax 119 zz", "", 2},
    {"time convert --date 2023-02-29 --to 0", "", 2},
    {"rmtree /", "", 2},
    {"trace 127.0.0.1 --port 65500", "", 2},
    {"schema list --kinds x", "", 2},
    {"keywords commands extra", "", 2},
    {"config get --source {data}/config/job.cfg --as string Backup.Kind", "", 2},
    {"config check", "", 2},
    {"config check {dir}/missing.cfg", "", 2},
    {"log show --base A", "", 2},
    {"registry list 'A\\\\B'", "", 2},
    {"registry export", "", 2},
    {"registry import {dir}/missing.reg", "", 2},
    {"registry import {dir}/plain", "", 2},
    {"otm cache", "", 2},
    {"plugins modules extra", "", 2},
    {"plugins check --kind 3 {dir}/plain", "", 2},
};

class ExitCodes : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(scratch_.path().empty());
    dir_ = scratch_.path();
    Write("plain", "some plain text");
    Write("key", "k3y\n");
    Write("read-only", "old");
    fs::permissions(dir_ + "/read-only", fs::perms::owner_read);
    fs::create_symlink(dir_ + "/plain", dir_ + "/link-to-plain");
    fs::create_directory(dir_ + "/folder");
    fs::create_directory_symlink(dir_ + "/folder", dir_ + "/link-to-folder");
    Write("good.reg", "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\T]\r\n\"v\"=dword:1\r\n");
  }
  void Write(const std::string& name, const std::string& text) { std::ofstream(dir_ + "/" + name) << text; }
  std::string Expand(std::string text) const {
    for (const auto& [name, value] : {std::pair<std::string, std::string>{"{dir}", dir_}, {"{data}", kData}})
      for (auto at = text.find(name); at != std::string::npos; at = text.find(name, at + value.size()))
        text.replace(at, name.size(), value);
    return text;
  }

  const std::string kData = LUMENRT_TEST_DATA_DIR;
  lumenrt::testing::ScopedRegistry registry_;  // the registry and log rows' own store
  lumenrt::test::ScratchDir scratch_{"lumenrt-exit-codes"};
  std::string dir_;
};

TEST_F(ExitCodes, EveryCommandKeepsTheContract) {
  for (const Row& row : kRows) {
    Write("stdin", row.input);
    fs::remove(dir_ + "/out");
    // Standard input first, so that a row's own redirections come after it.
    const auto r = lumenrt::test::RunToolCommand("<" + dir_ + "/stdin " + Expand(row.command));
    EXPECT_EQ(r.exit, row.exit) << row.command << "\n" << r.err;
    if (*row.command != '\0') {  // without a command the tool shows its overview
      EXPECT_LE(std::count(r.err.begin(), r.err.end(), '\n'), 1) << row.command << "\n" << r.err;
    }
  }
}

}  // namespace
