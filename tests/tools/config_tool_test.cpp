#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/run_tool.h"

namespace {

using lumenrt::test::ToolRun;

ToolRun Tool(const std::string& args) { return lumenrt::test::RunToolCommand(args); }

int Lines(const std::string& s) {
  int n = 0;
  for (char c : s) n += c == '\n';
  return n;
}

const std::string kJob = std::string(LUMENRT_TEST_DATA_DIR) + "/config/job.cfg";
const std::string kGlobal = std::string(LUMENRT_TEST_DATA_DIR) + "/config/global.cfg";
const std::string kBad = std::string(LUMENRT_TEST_DATA_DIR) + "/config/bad.cfg";

TEST(ConfigTool, SchemaAndKeywordCommands) {
  struct Case {
    std::string args;
    int exit;
    std::string out;
  } cases[] = {
      {"schema name 10025 --version 103", 0, "Server5.Net_Address\n"},
      {"schema name 31007 --kinds 0x2", 0, "Software.Service007.Name\n"},
      {"schema name 800", 0, "\n"},
      {"schema name 800 --version 104", 1, ""},
      {"schema name 20000", 1, ""},
      {"schema type 10031", 1, ""},
      {"schema type 1032", 0, "/Full/Incr\n"},
      {"schema name abc", 2, ""},
      {"schema name 1 --kinds -1", 2, ""},
      {"schema frob 1", 2, ""},
      {"keywords switches --command 201", 0,
       "command id\tkeyword\tkey id\timplied value\n201\tSOURCE\t9201\t\n"},
      {"keywords switches --command 4", 1, ""},
  };
  for (const Case& c : cases) {
    ToolRun r = Tool(c.args);
    EXPECT_EQ(r.exit, c.exit) << c.args << "\n" << r.err;
    EXPECT_EQ(r.out, c.out) << c.args;
    if (c.exit == 2) {
      EXPECT_EQ(r.err.rfind("lumenrt: ", 0), 0u) << c.args;
    }
  }
  ToolRun list = Tool("schema list --kinds 4");
  EXPECT_EQ(Lines(list.out), 1 + 32 + 49 + 19);  // a header; kinds 4, 0xffff and 0x1ffff share bit 2
  EXPECT_EQ(list.out.substr(0, list.out.find('\n')), "id\tkey\ttype\tdisplay name");
  EXPECT_NE(list.out.find("\n104\tEnc_Password\t#P\tEncryption Password\n"), std::string::npos);
  EXPECT_NE(list.out.find("\n50000\t#Printer%%%\t#H\tPrinter Info\n"), std::string::npos);
  // Rows of kinds 1, 0xffff or 0x1ffff, less those that begin after version 101.
  EXPECT_EQ(Lines(Tool("schema list --version 101").out), 1 + (229 + 49 + 19) - (13 + 5 + 2 + 2));
  ToolRun commands = Tool("keywords commands");
  EXPECT_EQ(Lines(commands.out), 1 + 14);
  EXPECT_EQ(commands.out.substr(0, commands.out.find("\n2\t")), "id\tkeyword\tflag\tcode\n1\tBACKUP\t1\t0");
  EXPECT_EQ(Lines(Tool("keywords switches").out), 1 + 99);
  EXPECT_EQ(Tool("schema --help").exit, 0);
}

TEST(ConfigTool, ConfigGetAnswersAsTheLookups) {
  const std::string both = "config get --source " + kJob + " --source " + kGlobal + " ";
  struct Case {
    std::string args;
    int exit;
    std::string out, err;  // err: a part of stderr
  } cases[] = {
      {both + "--as choice Backup.EXCH_Backup_Type", 0, "1\t1\n", ""},
      {both + "--as choice 1005", 0, "4\t1\n", ""},
      {both + "--as choice OpenFile.Abort_Options", 1, "-1\t-2\n",
       "OpenFile.Abort_Options was specified with an ambiguous value 'Log'."},
      {both + "--as choice Restore.EXCHMAPI_Resolve", 1, "-1\t-1\n",
       "Restore.EXCHMAPI_Resolve was specified with an invalid value 'x'."},
      {both + "--as choice Log.Detail", 1, "-1\t0\n", "A value is required for Log.Detail."},
      {both + "--as string Server3.Retry_Period", 0, "1800\t1\n", ""},
      {both + "--as string 10103", 0, "45\t1\n", ""},
      {both + "--as string Backup.Include", 0, "  padded value  \t1\n", ""},
      {both + "--as string Backup.Type", 1, "\t0\n", "A value is required for Backup.Type."},
      {both + "--as number Priority", 0, "2147483647\t1\n", ""},
      {both + "--as number 1010", 0, "12\t1\n", ""},
      {both + "--as bool Diagnostics --default 7", 0, "7\n", ""},
      {both + "--as bool Log.Log_To_File", 0, "0\n", ""},
      {both + "--as bool backup.exch_del_log", 0, "1\n", ""},
      {both + "--as password Backup.Destination", 0, "\\\\vault\\backups\\nightly\t1\n", ""},
      {both + "--as password RunAs.Password", 0, "S3cret pass\t1\n", ""},
      {"config get --source " + kGlobal + " --source " + kJob +
           " --version 101 --version 105 --as string Description",
       0, "Nightly backup of the file server\t1\n", ""},
      {both + "--as string Backup.Kind", 2, "", "unknown key name"},
      {both + "--as text 1005", 2, "", "--as"},
      {both + "--as string --default 3 1005", 2, "", "--default"},
      // Bad lines are reported and skipped; the keys around them still answer.
      {"config get --source " + kBad + " --as string 1002", 0, "Full\t1\n",
       "bad.cfg:3: unknown key name 'Backup.Kind' (line skipped)"},
      {"config get --source " + kBad + " --as string Backup.Exclude", 0, "*.tmp\t1\n",
       "bad.cfg:6: key id 99999999999 lies outside 32 bits (line skipped)"},
      {"config get --source /no/such/file --as string 1002", 2, "", "/no/such/file"},
#ifndef _WIN32  // not read for ever: one line, at once
      {"config get --source /dev/zero --as string 1002", 2, "",
       "lumenrt: /dev/zero: not a regular file, not a configuration file\n"},
#endif
      {"config get --as string 1002", 2, "", "--source"},
      {"config get --source " + kJob + " --source " + kJob + " --source " + kJob + " --source " + kJob +
           " --source " + kJob + " --as string 1002",
       2, "", "--source"},
      {both + "--version 101 --version 102 --version 103 --as string 1002", 2, "", "--version"},
  };
  for (const Case& c : cases) {
    ToolRun r = Tool(c.args);
    EXPECT_EQ(r.exit, c.exit) << c.args << "\n" << r.err;
    // The answer stands under its column names; bool has no result column.
    const std::string header = c.args.find("--as bool") != std::string::npos ? "value\n" : "value\tresult\n";
    EXPECT_EQ(r.out, c.exit == 2 ? c.out : header + c.out) << c.args;
    EXPECT_NE(r.err.find(c.err), std::string::npos) << c.args << "\n" << r.err;
    if (c.exit == 1) {
      EXPECT_EQ(r.err.rfind("lumenrt: PARS-", 0), 0u) << r.err;  // the catalogue line of facility 45
    }
  }
}

// A file with one line of each kind the checker reports, in a scratch folder of this test.
class ConfigCheck : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("lumenrt-config-check-" +
            std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  void Write(const std::string& name, const std::string& text) { std::ofstream(dir_ / name) << text; }
  ToolRun Check(const std::string& args) {
    return lumenrt::test::RunToolCommand("config check " + args, dir_.string());
  }

  std::filesystem::path dir_;
};

const char kEveryProblem[] =
    "; one line of each problem\n"
    "Backup.Type = Full\n"
    "Backup.Kind = Full\n"
    "99999 = x\n"
    "Backup.Include\n"
    "Diagnostics = maybe\n"
    "Restore.EXCHMAPI_Resolve = x\n"
    "Backup.Compression = N\n"
    "Priority = 4294967326\n"
    "Server3.Retry_Delay = 5000\n"
    "RunAs.Password = 07CD566242806BD87B23F7DF082D577850CBFDC0427FF5B75E9692480E7E9B5Z\n"
    "Enc_Password = 07CD566242806BD87B23F7DF082D577850CBFDC0427FF5B75E9692480E7E9B5\n"
    "backup.type = Full\n"
    "Scheduler.Auto_Restart_Missed = yes\n";

TEST_F(ConfigCheck, ReportsEveryUnusableLineWithItsReason) {
  Write("job.cfg", kEveryProblem);
  const char* expected[] = {
      "job.cfg:3: unknown key name 'Backup.Kind'",
      "job.cfg:4: key id 99999 has no row for version 105, kinds 0x1",
      "job.cfg:5: expected NAME = VALUE, found 'Backup.Include'",
      "job.cfg:6: Diagnostics: 'maybe' is not a yes/no word (a leading part of yes, true, no or false, or 1 "
      "or 0)",
      "job.cfg:7: Restore.EXCHMAPI_Resolve: 'x' is not one of Skip, New, Override, Ask",
      "job.cfg:8: Backup.Compression: 'N' is ambiguous: it begins more than one of Standard, Default, "
      "Normal, "
      "None, Minimum, Better, Maximum",
      "job.cfg:9: Priority: '4294967326' lies outside the 32-bit range (the lookups read 2147483647)",
      "job.cfg:10: Server3.Retry_Delay: '5000' is not a number from 30 to 1800 (the lookups use 60)",
      "job.cfg:11: RunAs.Password: character 64 of an obscured password is not a hexadecimal digit (the "
      "lookups "
      "use the text as written)",
      "job.cfg:12: Enc_Password: an obscured password is 64 hexadecimal digits, not 63 characters (the "
      "lookups use the text as written)",
      "job.cfg:13: Backup.Type is set again: line 2 wins, this line is ignored",
      "1 file, 14 lines, 11 problems",
  };
  std::string want;
  for (const char* line : expected) want += std::string(line) + "\n";
  ToolRun r = Check("job.cfg");
  EXPECT_EQ(r.exit, 1) << r.err;
  EXPECT_EQ(r.out, want);
  EXPECT_EQ(r.err, "");

  // A key that the older format lacks; the JSON records name file, line and key.
  r = Check("--version 104 --json job.cfg");
  EXPECT_EQ(r.exit, 1);
  EXPECT_NE(r.out.find("\"line\": 14,\n    \"key\": \"Scheduler.Auto_Restart_Missed\",\n    \"problem\": "
                       "\"unknown key name 'Scheduler.Auto_Restart_Missed'\""),
            std::string::npos)
      << r.out;
}

TEST_F(ConfigCheck, ACleanFileExitsZeroAndAnUnreadableOneTwo) {
  Write(
      "clean.cfg",
      "; clean\nBackup.Type = f\nRunAs.Password = plain\nServer3.Retry_Delay = 45\nPriority = -2147483648\n");
  ToolRun r = Check("clean.cfg");
  EXPECT_EQ(r.exit, 0) << r.out << r.err;
  EXPECT_EQ(r.out, "1 file, 5 lines, 0 problems\n");
  r = Check("missing.cfg");  // nothing checked, nothing printed
  EXPECT_EQ(r.exit, 2);
  EXPECT_EQ(r.out, "");
  r = Check("clean.cfg missing.cfg");
  EXPECT_EQ(r.exit, 2);
  EXPECT_EQ(r.out, "1 file, 5 lines, 0 problems\n");
  EXPECT_NE(r.err.find("lumenrt: missing.cfg: "), std::string::npos) << r.err;
}

}  // namespace
