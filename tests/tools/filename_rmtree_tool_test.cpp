// The filename and rmtree commands of the lumenrt tool.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "support/run_tool.h"

namespace {

namespace fs = std::filesystem;

using lumenrt::test::RunTool;

TEST(FilenameCommandTest, ParsePrintsOneRecordPerElement) {
  struct Case {
    std::vector<std::string> args;
    int exit;
    std::string out;
  } cases[] = {
      {{"filename", "parse", "\\\\srv\\share\\dir\\file.txt"},
       0,
       "part\telement\ttext\ndevice\t0\t\\\\srv\\share\ndirectory\t0\tdir\nfile\t0\tfile\nfile\t1\ttxt\n"},
      {{"filename", "parse", "--syntax", "0", "host\"u w\"::C:/a/b.c"},
       0,
       "part\telement\ttext\nnode\t0\thost\nnode\t1\tu\nnode\t2\tw\ndevice\t0\tC\ndirectory\t0\ta\n"
       "file\t0\tb\nfile\t1\tc\n"},
      {{"filename", "parse", "--syntax", "119", "9181 04686f7374 0161 0166"},
       0,
       "part\telement\ttext\nnode\t0\thost\ndirectory\t0\ta\nfile\t0\tf\n"},
      {{"filename", "parse", "--syntax", "119", "8181 05 61"}, 2, ""},
      {{"filename", "parse", std::string(130, '\\')}, 2, ""},
      {{"filename", "parse"}, 2, ""},
  };
  for (const auto& c : cases) {
    auto o = RunTool(c.args);
    EXPECT_EQ(o.exit, c.exit) << c.args.back();
    EXPECT_EQ(o.out, c.out) << c.args.back();
  }
}

TEST(FilenameCommandTest, SetPrintsTheNameAndTellsWhetherTheChangeWasMade) {
  struct Case {
    std::vector<std::string> args;
    int exit;
    std::string out;
  } cases[] = {
      {{"filename", "set", "--part", "9", "--text", "log", "\\\\srv\\share\\dir\\file.txt"},
       0,
       "\\\\srv\\share\\dir\\file.log\n"},
      {{"filename", "set", "--syntax", "9", "--part", "7", "--text", "usr", ""}, 0, "/usr/\n"},
      {{"filename", "set", "--syntax", "0", "--part", "15", "--text", "x", ""}, 1, "\n"},
      {{"filename", "set", "--syntax", "0", "--part", "8", "f"}, 1, "f\n"},
      {{"filename", "set", "--syntax", "119", "--part", "9", "--text", "78", "9181 04686f7374 0161 0166"},
       0,
       "928104686f737401610166"
       "0178\n"},
      {{"filename", "set", "--syntax", "0", "--part", "9", std::string(70, '/') + "f"},
       2,
       std::string(70, '/') + "f\n"},
      {{"filename", "set", "--text", "x", "a"}, 2, ""},  // --part is required
  };
  for (const auto& c : cases) {
    auto o = RunTool(c.args);
    EXPECT_EQ(o.exit, c.exit) << c.args.back();
    EXPECT_EQ(o.out, c.out) << c.args.back();
  }
}

TEST(RmtreeCommandTest, ExitsZeroWhenEverythingWentAndOneWhenARemovalFailed) {
  std::string pattern = (fs::temp_directory_path() / "lumenrt-rmtree-tool-XXXXXX").string();
  ASSERT_NE(mkdtemp(pattern.data()), nullptr);
  const fs::path base = pattern;
  fs::create_directories(base / "t" / "sub");
  std::ofstream(base / "t" / "sub" / "f") << "x";

  EXPECT_EQ(RunTool({"rmtree", "--contents-only", (base / "t").string()}).exit, 0);
  EXPECT_TRUE(fs::is_directory(base / "t"));
  EXPECT_TRUE(fs::is_empty(base / "t"));
  EXPECT_EQ(RunTool({"rmtree", (base / "t").string()}).exit, 0);
  EXPECT_FALSE(fs::exists(base / "t"));
  EXPECT_EQ(RunTool({"rmtree", (base / "missing").string()}).exit, 0);
  // "." is refused outright rather than emptied and then found irremovable.
  fs::create_directories(base / "here" / "x");
  EXPECT_EQ(RunTool({"rmtree", "."}, (base / "here").string()).exit, 2);
  EXPECT_TRUE(fs::exists(base / "here" / "x"));
  EXPECT_EQ(RunTool({"rmtree"}).exit, 2);
  fs::remove_all(base);
}

TEST(RmtreeCommandTest, RefusesRootDotsAndLinksAndFailsWhenSomethingIsLeft) {
  std::string pattern = (fs::temp_directory_path() / "lumenrt-rmtree-guard-XXXXXX").string();
  ASSERT_NE(mkdtemp(pattern.data()), nullptr);
  const fs::path base = pattern;
  fs::create_directories(base / "t" / "sub");
  std::ofstream(base / "t" / "sub" / "f") << "x";
  const std::string t = (base / "t").string();

  struct Case {
    std::string dir;
    int exit;
  } refused[] = {{".", 2},       {"..", 2},          {"./", 2},      {t + "/.", 2},
                 {t + "/..", 2}, {t + "/sub/..", 2}, {t + "/./", 2}, {"", 2}};
  for (const Case& c : refused) {
    const auto r = RunTool({"rmtree", c.dir}, t);
    EXPECT_EQ(r.exit, c.exit) << c.dir;
    EXPECT_EQ(r.err.rfind("lumenrt: ", 0), 0u) << c.dir;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << c.dir << "\n" << r.err;
  }
  EXPECT_TRUE(fs::exists(base / "t" / "sub" / "f"));

  // A link to the tree, with or without a trailing slash: said so, nothing removed.
  fs::create_directory_symlink(base / "t", base / "link");
  for (const std::string& link : {(base / "link").string(), (base / "link").string() + "/"}) {
    const auto r = RunTool({"rmtree", "--contents-only", link});
    EXPECT_EQ(r.exit, 1) << link;
    EXPECT_NE(r.err.find("symbolic link"), std::string::npos) << r.err;
  }
  EXPECT_TRUE(fs::exists(base / "t" / "sub" / "f"));
  EXPECT_TRUE(fs::is_symlink(base / "link"));

  // A directory the user cannot list stays, and says so. Root lists everything: the check runs as
  // an unprivileged user then, and so does the refusal of the root directory.
  fs::permissions(base, fs::perms::all);
  const pid_t pid = fork();
  if (pid == 0) {
    if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(125);
    const fs::path locked = base / "locked";
    std::error_code ec;
    fs::create_directories(locked / "inner", ec);
    std::ofstream(locked / "inner" / "f") << "x";
    fs::permissions(locked, fs::perms::none, ec);
    int failures = 0;
    // The root itself is asked for only here: were the guard broken, an unprivileged user could
    // remove next to nothing.
    if (getuid() == 65534) {
      for (const char* root : {"/", "//", "/."}) {
        const auto r = RunTool({"rmtree", "--contents-only", root});
        failures += r.exit != 2 || r.err.find("will not remove") == std::string::npos;
      }
    }
    for (const std::vector<std::string>& args : {std::vector<std::string>{"rmtree", locked.string()},
                                                 {"rmtree", "--contents-only", locked.string()}}) {
      const auto r = RunTool(args);
      failures += r.exit != 1 || r.err.find("could not remove") == std::string::npos;
    }
    fs::permissions(locked, fs::perms::owner_all, ec);
    failures += !fs::exists(locked / "inner" / "f");
    fs::remove_all(locked, ec);
    _exit(failures);
  }
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_NE(WEXITSTATUS(status), 125) << "could not become an unprivileged user";
  EXPECT_EQ(WEXITSTATUS(status), 0) << "failed checks on the unlistable directory";

  // A plain file is no directory: nothing removed.
  std::ofstream(base / "file") << "x";
  EXPECT_EQ(RunTool({"rmtree", (base / "file").string()}).exit, 1);
  EXPECT_TRUE(fs::exists(base / "file"));
  fs::remove_all(base);
}

// A mount point inside the tree cannot be removed, even by root: the error names it and the system's
// reason. The bind mount lives in the mount namespace of the tool's run only.
TEST(RmtreeCommandTest, NamesTheFirstEntryLeftAndWhy) {
  const std::string unshare = "unshare -m --propagation private";
  if (std::system((unshare + " true 2>/dev/null").c_str()) != 0)
    GTEST_SKIP() << "cannot make a mount namespace";
  std::string pattern = (fs::temp_directory_path() / "lumenrt-rmtree-left-XXXXXX").string();
  ASSERT_NE(mkdtemp(pattern.data()), nullptr);
  const fs::path base = pattern;
  fs::create_directories(base / "t" / "sub" / "mnt");
  fs::create_directories(base / "outside");
  std::ofstream(base / "outside" / "keep") << "x";
  const std::string mount =
      "mount --bind " + (base / "outside").string() + " " + (base / "t" / "sub" / "mnt").string();
  const auto r = lumenrt::test::RunToolCommand("rmtree " + (base / "t").string() + "/", "",
                                               unshare + " sh -c '" + mount + " && exec \"$0\" \"$@\"'");
  EXPECT_EQ(r.exit, 1);
  EXPECT_EQ(r.err, "lumenrt: could not remove '" + (base / "t" / "sub" / "mnt").string() +
                       "': " + std::strerror(EBUSY) + "\n");
  EXPECT_TRUE(fs::exists(base / "outside" / "keep"));
  fs::remove_all(base);
}

}  // namespace
