// The command line every command shares: the overview, --help, and parse errors as one line.
#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/run_tool.h"

namespace {

using lumenrt::test::RunTool;
using lumenrt::test::ToolRun;

int Lines(const std::string& s) { return static_cast<int>(std::count(s.begin(), s.end(), '\n')); }

// The command paths of `lumenrt help`: the words of each usage line before its first option or operand.
std::vector<std::vector<std::string>> ListedCommands() {
  std::vector<std::vector<std::string>> commands;
  std::istringstream lines(RunTool({"help"}).out);
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind("  ", 0) != 0 || line.rfind("    ", 0) == 0) continue;
    std::istringstream words(line);
    std::vector<std::string> path;
    for (std::string w;
         words >> w && std::all_of(w.begin(), w.end(), [](char c) { return c >= 'a' && c <= 'z'; });)
      path.push_back(w);
    commands.push_back(path);
  }
  return commands;
}

TEST(CommandLine, OverviewListsEveryCommandAndGoesToStderrWithoutACommand) {
  const auto commands = ListedCommands();
  EXPECT_GE(commands.size(), 22u);
  for (const char* expected : {"demo", "encrypt", "rmtree", "message"})
    EXPECT_NE(std::find(commands.begin(), commands.end(), std::vector<std::string>{expected}), commands.end())
        << expected;
  const ToolRun none = RunTool({});
  EXPECT_EQ(none.exit, 2);
  EXPECT_EQ(none.out, "");
  EXPECT_EQ(none.err, RunTool({"help"}).out);
  EXPECT_EQ(RunTool({"--help"}).out, none.err);
  const ToolRun unknown = RunTool({"frob"});
  EXPECT_EQ(unknown.exit, 2);
  EXPECT_EQ(unknown.err, "lumenrt: unknown command 'frob'\n");
}

TEST(CommandLine, EveryCommandHasHelpAndRefusesAnUnknownOptionInOneLine) {
  for (const auto& path : ListedCommands()) {
    std::string name;
    for (const auto& w : path) name += (name.empty() ? "" : " ") + w;
    auto args = path;
    args.push_back("--help");
    const ToolRun help = RunTool(args);
    EXPECT_EQ(help.exit, 0) << name;
    EXPECT_NE(help.out.find("usage: lumenrt " + name), std::string::npos) << name << "\n" << help.out;
    EXPECT_EQ(help.err, "") << name;

    args.back() = "--no-such-option";
    const ToolRun bad = RunTool(args);
    EXPECT_EQ(bad.exit, 2) << name;
    EXPECT_EQ(bad.out, "") << name;
    EXPECT_EQ(bad.err.rfind("lumenrt: ", 0), 0u) << name << "\n" << bad.err;
    EXPECT_EQ(Lines(bad.err), 1) << name << "\n" << bad.err;
  }
}

TEST(CommandLine, ValuesAreCheckedAndTheLastOfARepeatedOptionCounts) {
  struct Case {
    std::vector<std::string> args;
    int exit;
    std::string err;  // a part of stderr
  } cases[] = {
      {{"password", "encode", "x", "--modifier", "256"},
       2,
       "--modifier must be a number from 0 to 255, not '256'"},
      {{"password", "encode", "x", "--modifier"}, 2, "--modifier"},
      {{"time", "convert", "--date", "2026-01-01", "--to", "-1441"}, 2, "--to must be"},
      {{"time", "convert", "--date=2026-01-01", "--to=60", "--to=-60"}, 0, ""},
      {{"time", "convert", "--date", "2023-02-29", "--to", "0"}, 2, "no such date: 2023-02-29"},
      {{"time", "convert", "--date", "2024-02-30", "--to", "0"}, 2, "no such date: 2024-02-30"},
      {{"time", "convert", "--date", "1900-02-29", "--to", "0"}, 0, ""},  // every fourth year leaps
      {{"schema", "--kinds", "2", "name", "31007", "--kinds", "0x2"}, 0, ""},
      {{"registry", "set", "K", "V", "--dword", "1", "--string", "x"}, 2, "--dword excludes --string"},
      {{"message", "43"}, 2, "expected FACILITY NUMBER [ARGUMENT]"},
      {{"demo", "extra"}, 2, "extra"},
  };
  for (const Case& c : cases) {
    const ToolRun r = RunTool(c.args);
    EXPECT_EQ(r.exit, c.exit) << c.args[0] << " " << c.args[1] << "\n" << r.err;
    EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
    if (c.exit == 2) {
      EXPECT_EQ(Lines(r.err), 1) << r.err;
    }
  }
}

TEST(CommandLine, AnUnknownWordIsNamedWithItsCommand) {
  const struct {
    std::vector<std::string> args;
    std::string err;  // the start of the one line on stderr
  } cases[] = {
      {{"cipher", "foo"}, "lumenrt: unknown command 'foo' for 'cipher'\n"},
      {{"time", "frob"}, "lumenrt: unknown command 'frob' for 'time'\n"},
      {{"encrypt", "--bogus", "--cipher", "1"}, "lumenrt: unknown option '--bogus' for 'encrypt' (usage: "},
      {{"password", "encode", "x", "--bogus=3"}, "lumenrt: unknown option '--bogus' for 'password encode'"},
      {{"cipher", "list", "-x"}, "lumenrt: unknown option '-x' for 'cipher list'"},
      {{"cipher", "list", "extra"}, "lumenrt: unexpected argument 'extra' for 'cipher list'"},
      {{"cipher", "list", "--", "-x"}, "lumenrt: unexpected argument '-x' for 'cipher list'"},
      {{"--bogus"}, "lumenrt: unknown option '--bogus'\n"},
  };
  for (const auto& c : cases) {
    const ToolRun r = RunTool(c.args);
    EXPECT_EQ(r.exit, 2) << c.err;
    EXPECT_EQ(r.err.rfind(c.err, 0), 0u) << r.err;
    EXPECT_EQ(Lines(r.err), 1) << r.err;
  }
}

TEST(CommandLine, AnAnswerThatCannotBeWrittenIsAFailure) {
  // A full device takes nothing; a short answer is lost only when the stream is flushed at the end.
  for (const char* command : {"cipher list", "password encode secret", "schema list", "message 0 4101"}) {
    const ToolRun r = lumenrt::test::RunToolCommand(std::string(command) + " >/dev/full");
    EXPECT_EQ(r.exit, 1) << command;
    EXPECT_EQ(r.err, "lumenrt: cannot write standard output\n") << command;
  }
}

}  // namespace
