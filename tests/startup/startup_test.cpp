// What the library's start-up built, and the order in which unloading the library destroys it,
// proven by a separate host that loads and unloads the real shared library.
#include "lumenrt/startup/startup.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "lumenrt/config/lookups.h"
#include "lumenrt/plugins/ifactory.h"
#include "lumenrt/plugins/plugin_loading.h"
#include "lumenrt/system/work_context.h"

namespace {

TEST(Startup, GlobalsHoldTheirInitialState) {
  const struct {
    int item;
    const char* text;
  } texts[] = {
      {1, "$"}, {5, "System State: "}, {6, "System State: restoring "}, {8, ""}, {10, ""}, {15, ""}, {16, ""},
      {17, ""}};
  for (const auto& t : texts) {
    ASSERT_NE(lumenrt::StartupText(t.item), nullptr) << t.item;
    EXPECT_STREQ(lumenrt::StartupText(t.item)->c_str(), t.text) << t.item;
  }
  EXPECT_EQ(lumenrt::StartupText(11), &CurrentKeyName);
  EXPECT_EQ(lumenrt::StartupText(12), &CurrentKeyValue);
  for (int other : {0, 2, 3, 4, 7, 9, 13, 14, 18, -1})
    EXPECT_EQ(lumenrt::StartupText(other), nullptr) << other;
  for (int item : {2, 3}) {
    ASSERT_NE(lumenrt::StartupTextList(item), nullptr);
    EXPECT_TRUE(lumenrt::StartupTextList(item)->empty());
  }
  EXPECT_EQ(lumenrt::StartupTextList(4), nullptr);

  const ZArray& array = lumenrt::GlobalArray();
  EXPECT_EQ(array.Count(), 0);
  EXPECT_EQ(array.Capacity(), 10);
  EXPECT_EQ(array.GrowBy(), 10);
  EXPECT_TRUE(array.OwnsElements());
  EXPECT_TRUE(lumenrt::GlobalFileName().GetName().IsEmpty());
  EXPECT_EQ(lumenrt::GlobalFileName().Syntax(), ZFileName().Syntax());

  const WorkContext& context = lumenrt::GlobalWorkContext();
  for (const ZObject* slot : context.slots) EXPECT_EQ(slot, nullptr);
  EXPECT_TRUE(context.name.IsEmpty() && context.workingDirectory.IsEmpty() && context.detail.IsEmpty());
  EXPECT_EQ(context.removeWorkingDirectory, 1);
  EXPECT_EQ(context.objects.Capacity(), 10);
  EXPECT_TRUE(context.objects.OwnsElements());
  // The network API loader opened the system's netapi32.dll, which only Windows has.
#ifdef _WIN32
  EXPECT_NE(context.netApi.module, nullptr);
#else
  EXPECT_EQ(context.netApi.module, nullptr);
#endif
  EXPECT_EQ(context.state, 0);
  EXPECT_EQ(context.value, 0);

  EXPECT_STREQ(lumenrt::BuiltInFactory(0)->getDescription(), "MS Exchange Disaster Recovery Module.");
  EXPECT_STREQ(lumenrt::BuiltInFactory(1)->getDescription(), "MS Exchange Mailbox module");
  EXPECT_EQ(lumenrt::BuiltInFactory(2), nullptr);
}

#ifdef _WIN32
// A path for the command line, with the system's separators.
std::string Quoted(std::string text) {
  for (char& c : text)
    if (c == '/') c = '\\';
  return "\"" + text + "\"";
}
// cmd.exe /c drops the outer quotes of its command line: one more pair keeps the inner ones.
FILE* RunReading(const std::string& command) { return _popen(("\"" + command + "\"").c_str(), "rb"); }
int Finish(FILE* pipe) { return _pclose(pipe); }
#else
std::string Quoted(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}
FILE* RunReading(const std::string& command) { return popen(command.c_str(), "r"); }
int Finish(FILE* pipe) { return pclose(pipe); }
#endif

// Runs the probe's command line and answers its output (standard error with it) and exit status.
struct ProbeRun {
  std::string output;
  int status = -1;
};
ProbeRun RunProbe(const std::string& command) {
  ProbeRun run;
  FILE* pipe = RunReading(command + " 2>&1");
  if (pipe == nullptr) return run;
  char buffer[256];
  while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) run.output += buffer;
  run.status = Finish(pipe);
  return run;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::string line;
  for (char c : text) {
    if (c == '\r') continue;  // a Windows program's line ends
    if (c == '\n') {
      lines.push_back(line);
      line.clear();
    } else {
      line += c;
    }
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

TEST(Startup, UnloadingDestroysFirstUseObjectsThenGlobalsSeventeenToOne) {
  std::vector<std::string> globals;
  for (int item = 17; item >= 1; --item) globals.push_back("exit: global " + std::to_string(item));
  auto join = [](std::vector<std::string> head, const std::vector<std::string>& middle,
                 const std::vector<std::string>& tail) {
    head.insert(head.end(), middle.begin(), middle.end());
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
  };
  // A kind-0 or kind-1 module still loaded: its entry table is emptied when the registry goes.
  auto tableModule = [&join, &globals](const char* description, const char* inUse) {
    return join({"use: registry built", std::string("use: module ") + description,
                 std::string("use: tables ") + inUse, "use: search 0", "exit: Exchange backup work area",
                 "exit: plug-in registry", "tables: exch=empty mapi=empty"},
                globals, {"library: unloaded", "module: unloaded"});
  };
  const struct {
    const char* what;
    std::string argument;
    std::vector<std::string> expected;
    std::string kind = {};  // the module's kind, when not 2
  } cases[] = {
      {"registry, a module it must release, the Exchange backup work area", LUMENRT_PROBE_FACTORY_MODULE,
       join(
           {
               "use: registry built",
               "use: module Probe module factory.",
               "use: search 0",
               "exit: Exchange backup work area",
               "exit: plug-in registry",
           },
           globals, {"library: unloaded", "module: unloaded"})},
      {"nothing used: start-up globals only", "--idle", join({}, globals, {"library: unloaded"})},
      {"an Exchange database module", LUMENRT_PROBE_EXCH_MODULE,
       tableModule("MS Exchange Disaster Recovery Module.", "exch=filled mapi=empty"), "0"},
      {"an Exchange mailbox module", LUMENRT_PROBE_MAPI_MODULE,
       tableModule("MS Exchange Mailbox module", "exch=empty mapi=filled"), "1"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string command = Quoted(LUMENRT_UNLOAD_PROBE) + " " + Quoted(LUMENRT_LIBRARY_FILE) + " " +
                                Quoted(c.argument) + (c.kind.empty() ? "" : " " + c.kind);
    const ProbeRun run = RunProbe(command);
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(Lines(run.output), c.expected) << run.output;
  }
}

#ifndef _WIN32
// Unloading the library closes the log it opened: its files and its lock's mapping do not pile up in
// a host that loads and unloads the library again and again.
TEST(Startup, UnloadingClosesTheLog) {
  char pattern[] = "/tmp/lumenrt-unload-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  const std::string dir = pattern;
  const std::string command =
      Quoted(LUMENRT_UNLOAD_PROBE) + " " + Quoted(LUMENRT_LIBRARY_FILE) + " --log " + Quoted(dir);
  const ProbeRun run = RunProbe(command);
  const std::string& output = run.output;
  EXPECT_EQ(run.status, 0) << output;
  std::filesystem::remove_all(dir);
  int descriptorsFirst = -1, descriptorsLast = -2, mappingsFirst = -1, mappingsLast = -2;
  for (const std::string& line : Lines(output)) {
    std::sscanf(line.c_str(), "log: descriptors %d %d", &descriptorsFirst, &descriptorsLast);
    std::sscanf(line.c_str(), "log: mappings %d %d", &mappingsFirst, &mappingsLast);
  }
  EXPECT_EQ(descriptorsLast, descriptorsFirst) << output;
  EXPECT_EQ(mappingsLast, mappingsFirst) << output;
  EXPECT_NE(output.find("library: unloaded"), std::string::npos) << output;
}
#endif

}  // namespace
