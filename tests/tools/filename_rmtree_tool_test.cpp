// The filename and rmtree commands of the lumenrt tool.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tools/run_tool.h"

namespace {

namespace fs = std::filesystem;

using lumenrt::test::RunTool;

TEST(FilenameCommandTest, ParsePrintsEachPartWithTabSeparatedElements) {
  struct Case {
    std::vector<std::string> args;
    int exit;
    std::string out;
  } cases[] = {
      {{"filename", "parse", "\\\\srv\\share\\dir\\file.txt"},
       0,
       "node\ndevice\t\\\\srv\\share\ndirectory\tdir\nfile\tfile\ttxt\n"},
      {{"filename", "parse", "--syntax", "0", "host\"u w\"::C:/a/b.c"},
       0,
       "node\thost\tu\tw\ndevice\tC\ndirectory\ta\nfile\tb\tc\n"},
      {{"filename", "parse", "--syntax", "119", "9181 04686f7374 0161 0166"},
       0,
       "node\thost\ndevice\ndirectory\ta\nfile\tf\n"},
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
  // "." can be emptied but not removed, even by a privileged user.
  fs::create_directories(base / "here" / "x");
  EXPECT_EQ(RunTool({"rmtree", "."}, (base / "here").string()).exit, 1);
  EXPECT_TRUE(fs::is_empty(base / "here"));
  EXPECT_EQ(RunTool({"rmtree"}).exit, 2);
  fs::remove_all(base);
}

}  // namespace
