#include "lumenrt/config/config_file.h"

#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "support/scratch_dir.h"

namespace {

using Entries = std::vector<std::pair<int, std::string>>;

Entries EntriesOf(const ConfigSource& source) {
  Entries out;
  for (int i = 0; i < source.Count(); ++i)
    out.emplace_back(source.EntryAt(i)->id, source.EntryAt(i)->value.c_str());
  return out;
}

const std::string kData = std::string(LUMENRT_TEST_DATA_DIR) + "/config/";

TEST(ConfigFile, LoadsEveryLineOfAJobFile) {
  ConfigSource source(1, 105);
  std::vector<lumenrt::ConfigFileProblem> problems;
  EXPECT_EQ(lumenrt::LoadConfigFile(kData + "job.cfg", source, problems), 15);
  EXPECT_TRUE(problems.empty());
  EXPECT_EQ(EntriesOf(source), (Entries{{100, ""},
                                        {213, "Nightly backup of the file server"},
                                        {1000, ""},
                                        {1001, "\\\\vault\\backups\\nightly"},
                                        {1005, "min"},
                                        {1032, "incr"},
                                        {1033, "yes"},
                                        {1003, "  padded value  "},
                                        {1004, ""},
                                        {1010, "12abc"},
                                        {10025, "10.0.0.5"},
                                        {10093, "10"},
                                        {707, "Log"},
                                        {2044, "x"},
                                        {107, "4294967326"}}));
}

TEST(ConfigFile, ReportsUnusableLinesByNumberAndKeepsTheRest) {
  ConfigSource source(1, 104);
  source.AddEntry(101, "C:\\data");  // entries already held stay first
  std::vector<lumenrt::ConfigFileProblem> problems;
  EXPECT_EQ(lumenrt::LoadConfigFile(kData + "bad.cfg", source, problems), 2);
  EXPECT_EQ(EntriesOf(source), (Entries{{101, "C:\\data"}, {1002, "Full"}, {1004, "*.tmp"}}));
  std::vector<std::pair<int, std::string>> got;
  for (const auto& p : problems) got.emplace_back(p.line, p.message);
  EXPECT_EQ(got, (std::vector<std::pair<int, std::string>>{
                     {3, "unknown key name 'Backup.Kind'"},
                     {4, "expected NAME = VALUE, found 'Backup.Include'"},
                     {5, "missing key name before '='"},
                     {6, "key id 99999999999 lies outside 32 bits"},
                     {7, "unknown key name 'Scheduler.Auto_Restart_Missed'"},
                 }));
  // A line without "=" lacks its value, whether or not its words name a key.
  problems.clear();
  ConfigSource other(1, 104);
  EXPECT_EQ(lumenrt::LoadConfigText("no such words\n", other, problems), 0);
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_EQ(problems[0].message, "expected NAME = VALUE, found 'no such words'");
}

TEST(ConfigFile, TextForms) {
  struct Case {
    const char* label;
    std::string text;
    int version;
    unsigned kinds;
    Entries entries;
    std::vector<int> problemLines;
  } cases[] = {
      {"crlf and no final newline",
       "Backup.Type = Full\r\nBackup.Exclude=x\r\n\r\nPriority=5",
       105,
       1,
       {{1002, "Full"}, {1004, "x"}, {107, "5"}},
       {}},
      {"byte-order mark",
       "\xEF\xBB\xBF"
       "Priority = 1\n",
       105,
       1,
       {{107, "1"}},
       {}},
      {"tabs, '=' in the value", "\tBackup.Include\t=\ta = b\t\n", 105, 1, {{1003, "a = b"}}, {}},
      {"quotes",
       "Backup.Include = \"\"\nBackup.Exclude = \"\nTape.Label = \"\"x\"\"\n",
       105,
       1,
       {{1003, ""}, {1004, "\""}, {306, "\"x\""}},
       {}},
      {"numeric ids without rows",
       "1013 = yes\n-1 = head\n-2147483648 = low\n",
       105,
       1,
       {{1013, "yes"}, {-1, "head"}, {-2147483647 - 1, "low"}},
       {}},
      {"numeric forms that are names", "12a = x\n2147483648 = y\n+5 = z\n", 105, 1, {}, {1, 2, 3}},
      {"bare heads only",
       "#Backup\n#Server7\nBackup.Type\n1002\n",
       105,
       1,
       {{1000, ""}, {10007, ""}},
       {3, 4}},
      {"instances and kinds",
       "Software.Service042.Name = svc\nHardware.CPU07.Vendor = x\n",
       105,
       2,
       {{31042, "svc"}, {20107, "x"}},
       {}},
      {"rows of other kinds are unknown", "Software.OS = x\n", 105, 1, {}, {1}},
      {"zero byte", std::string("Priority = 1\0 2\nBackup.Type = Full\n", 35), 105, 1, {{1002, "Full"}}, {1}},
      {"comments", "; Priority = 1\n   ; x\n", 105, 1, {}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    ConfigSource source(c.kinds, c.version);
    std::vector<lumenrt::ConfigFileProblem> problems;
    EXPECT_EQ(lumenrt::LoadConfigText(c.text, source, problems), static_cast<int>(c.entries.size()));
    EXPECT_EQ(EntriesOf(source), c.entries);
    std::vector<int> lines;
    for (const auto& p : problems) lines.push_back(p.line);
    EXPECT_EQ(lines, c.problemLines);
  }
}

TEST(ConfigFile, UnreadableFilesAreReportedAsAWhole) {
  for (const std::string& path : {kData + "no-such-file.cfg", kData}) {
    ConfigSource source(1, 105);
    std::vector<lumenrt::ConfigFileProblem> problems;
    EXPECT_EQ(lumenrt::LoadConfigFile(path, source, problems), -1) << path;
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_EQ(problems[0].line, 0);
    EXPECT_NE(problems[0].message.find(path), std::string::npos);
    EXPECT_EQ(source.Count(), 0);
  }
}

#ifndef _WIN32
TEST(ConfigFile, WhatIsNotARegularFileOrExceedsTheLimitIsRefusedInOneLine) {
  lumenrt::test::ScratchDir dir;
  const std::string fifo = dir.path() + "/fifo", large = dir.path() + "/large.cfg";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);  // nobody writes: opening it to read would wait for ever
  std::ofstream(large).close();
  std::filesystem::resize_file(large, lumenrt::kMaxConfigFileBytes + 1);  // sparse: costs no disk
  const std::pair<std::string, std::string> cases[] = {
      {"/dev/zero", "/dev/zero: not a regular file, not a configuration file"},
      {fifo, fifo + ": not a regular file, not a configuration file"},
      {large, large + ": file is larger than 16 MiB, not a configuration file"},
  };
  for (const auto& [path, message] : cases) {
    ConfigSource source(1, 105);
    std::vector<lumenrt::ConfigFileProblem> problems;
    EXPECT_EQ(lumenrt::LoadConfigFile(path, source, problems), -1) << path;
    ASSERT_EQ(problems.size(), 1u) << path;
    EXPECT_EQ(problems[0].line, 0);
    EXPECT_EQ(problems[0].message, message);
  }
}
#endif

}  // namespace
