// lumenrt --version and the bash completion script of lumenrt completion bash, as a user meets them.
#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/run_tool.h"
#include "support/scratch_dir.h"

namespace {

using lumenrt::test::RunTool;
using lumenrt::test::RunToolCommand;
using lumenrt::test::ScratchDir;
using lumenrt::test::ShellQuote;

TEST(VersionTool, PrintsThePackageVersion) {
  auto run = RunTool({"--version"});
  EXPECT_EQ(run.exit, 0) << run.err;
  EXPECT_EQ(run.out, "lumenrt " LUMENRT_PACKAGE_VERSION "\n");
  EXPECT_EQ(run.err, "");
}

// What bash offers after the words typed so far (the last one is the word being completed).
std::string Offered(const std::string& script, const std::vector<std::string>& words) {
  std::string array;
  for (const auto& w : words) array += " " + ShellQuote(w);
  const std::string commands = "source " + ShellQuote(script) + "; COMP_WORDS=(" + array +
                               "); COMP_CWORD=" + std::to_string(words.size() - 1) +
                               "; _lumenrt; printf '%s' \"${COMPREPLY[*]}\"";
  FILE* pipe = ::popen(("bash -c " + ShellQuote(commands) + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return "(bash did not start)";
  std::string out;
  char buffer[256];
  for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
  ::pclose(pipe);
  return out;
}

TEST(CompletionTool, BashCompletesCommandsVerbsAndOptions) {
  ScratchDir dir("lumenrt-completion");
  const std::string script = dir.path() + "/lumenrt";
  auto run = RunToolCommand("completion bash > " + ShellQuote(script));
  ASSERT_EQ(run.exit, 0) << run.err;
  const struct {
    std::vector<std::string> words;
    std::string offered;  // "" where bash falls back to file names
  } rows[] = {
      {{"lumenrt", "ci"}, "cipher"},
      {{"lumenrt", "plugins", "op"}, "options"},
      {{"lumenrt", "--"}, "--help --version"},
      {{"lumenrt", "cipher", "list", "--"}, "--help --json"},
      {{"lumenrt", "plugins", "options", "--s"}, "--show-password --source"},
      // a verb takes its group's options
      {{"lumenrt", "filename", "set", "--"}, "--help --part --syntax --text"},
      // an option's value is neither completed nor taken for a verb
      {{"lumenrt", "plugins", "options", "--kind", ""}, ""},
      {{"lumenrt", "filename", "--syntax", "set", "s"}, "set"},
      {{"lumenrt", "demo", ""}, ""},
  };
  for (const auto& row : rows) {
    std::string typed;
    for (const auto& w : row.words) typed += w + " ";
    EXPECT_EQ(Offered(script, row.words), row.offered) << typed;
  }
}

}  // namespace
