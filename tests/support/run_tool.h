// Runs the built lumenrt tool as a user would, for the tool tests of every subsystem.
//
// Standard output and standard error are captured apart; the exit code is -1 when the tool did not
// exit normally. Runs through /bin/sh (cmd.exe on Windows), so callers may add redirections such as
// "< file".
#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#ifdef _WIN32
#include <atomic>

#include <windows.h>
#else
#include <sys/wait.h>
#endif

namespace lumenrt::test {

struct ToolRun {
  int exit = -1;
  std::string out, err;
};

#ifdef _WIN32
// cmd.exe and the C run-time's argument parsing: double quotes, an inner quote as \".
inline std::string ShellQuote(const std::string& s) {
  std::string q = "\"";
  for (char c : s) q += c == '"' ? std::string("\\\"") : std::string(1, c);
  return q + "\"";
}

// A new folder for one run's captured output.
inline std::string MakeRunDir() {
  static std::atomic<unsigned> counter{0};
  std::error_code error;
  const auto base = std::filesystem::temp_directory_path(error);
  for (unsigned attempt = 0; attempt < 1000; ++attempt) {
    const auto dir =
        base / ("lumenrt-tool-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(counter++));
    if (std::filesystem::create_directory(dir, error)) return dir.string();
  }
  return {};
}
#else
inline std::string ShellQuote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

inline std::string MakeRunDir() {
  char pattern[] = "/tmp/lumenrt-tool-XXXXXX";
  return mkdtemp(pattern) == nullptr ? std::string() : std::string(pattern);
}
#endif

// Runs "lumenrt <shellTail>" in `cwd` (the current directory when empty); shellTail is passed to the
// shell as written. A non-empty `prefix` is a command that runs the tool, such as "ip netns exec NAME".
inline ToolRun RunToolCommand(const std::string& shellTail, const std::string& cwd = "",
                              const std::string& prefix = "") {
  ToolRun run;
  const std::string dir = MakeRunDir(), out = dir + "/out", err = dir + "/err";
  if (dir.empty()) return run;
#ifdef _WIN32
  std::string command = cwd.empty() ? "" : "cd /d " + ShellQuote(cwd) + " && ";
  command += (prefix.empty() ? "" : prefix + " ") + ShellQuote(LUMENRT_TOOL_PATH) + " " + shellTail + " >" +
             ShellQuote(out) + " 2>" + ShellQuote(err);
  // cmd.exe /c drops the outer quotes of its command line: one more pair keeps the inner ones.
  const int status = std::system(("\"" + command + "\"").c_str());
  const bool exited = status != -1;
  const int exitCode = status;
#else
  std::string command = cwd.empty() ? "" : "cd " + ShellQuote(cwd) + " && ";
  // The group keeps the caller's own redirections of standard output in force.
  command += "{ " + (prefix.empty() ? "" : prefix + " ") + ShellQuote(LUMENRT_TOOL_PATH) + " " + shellTail +
             " ; } >" + out + " 2>" + err;
  const int status = std::system(command.c_str());
  const bool exited = status != -1 && WIFEXITED(status);
  const int exitCode = exited ? WEXITSTATUS(status) : -1;
#endif
  auto slurp = [](const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  };
  run.exit = exited ? exitCode : -1;
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
