// Runs the built lumenrt tool as a user would, for the tool tests of every subsystem.
//
// Standard output and standard error are captured apart; the exit code is -1 when the tool did not
// exit normally. Runs through /bin/sh, so callers may add redirections such as "< file".
#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <sys/wait.h>

namespace lumenrt::test {

struct ToolRun {
  int exit = -1;
  std::string out, err;
};

inline std::string ShellQuote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

// Runs "lumenrt <shellTail>" in `cwd` (the current directory when empty); shellTail is passed to the
// shell as written. A non-empty `prefix` is a command that runs the tool, such as "ip netns exec NAME".
inline ToolRun RunToolCommand(const std::string& shellTail, const std::string& cwd = "",
                              const std::string& prefix = "") {
  char pattern[] = "/tmp/lumenrt-tool-XXXXXX";
  ToolRun run;
  if (mkdtemp(pattern) == nullptr) return run;
  const std::string dir = pattern, out = dir + "/out", err = dir + "/err";
  std::string command = cwd.empty() ? "" : "cd " + ShellQuote(cwd) + " && ";
  // The group keeps the caller's own redirections of standard output in force.
  command += "{ " + (prefix.empty() ? "" : prefix + " ") + ShellQuote(LUMENRT_TOOL_PATH) + " " + shellTail +
             " ; } >" + out + " 2>" + err;
  const int status = std::system(command.c_str());
  auto slurp = [](const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  };
  run.exit = status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.out = slurp(out);
  run.err = slurp(err);
  std::filesystem::remove_all(dir);
  return run;
}

// Runs the tool with these arguments, each passed as one word.
inline ToolRun RunTool(const std::vector<std::string>& args, const std::string& cwd = "",
                       const std::string& prefix = "") {
  std::string tail;
  for (const auto& a : args) tail += (tail.empty() ? "" : " ") + ShellQuote(a);
  return RunToolCommand(tail, cwd, prefix);
}

}  // namespace lumenrt::test
