// lumenrt plugins selection and plugins options, run as a user runs them.
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <sys/wait.h>

#include "support/run_tool.h"

namespace {

using lumenrt::test::RunTool;

// Configuration files in a scratch folder that goes with the object.
class Files {
 public:
  Files() {
    char pattern[] = "/tmp/plug-tool-XXXXXX";
    dir_ = ::mkdtemp(pattern);
  }
  ~Files() { std::filesystem::remove_all(dir_); }
  std::string Write(const std::string& name, const std::string& text) {
    std::string path = dir_ + "/" + name;
    std::ofstream(path) << text;
    return path;
  }

 private:
  std::string dir_;
};

struct Row {
  std::vector<std::string> args;  // after "plugins"; "@job" and "@global" name the files below
  int exit;
  std::string out;
  std::string err;  // "lumenrt: *": any one line of that shape
};

void RunRows(const std::vector<Row>& rows, const std::string& job, const std::string& global) {
  for (const auto& row : rows) {
    std::vector<std::string> args = {"plugins"};
    for (const auto& a : row.args) args.push_back(a == "@job" ? job : a == "@global" ? global : a);
    auto run = RunTool(args);
    std::string shown;
    for (const auto& a : row.args) shown += a + " ";
    EXPECT_EQ(run.exit, row.exit) << shown << "\n" << run.err;
    EXPECT_EQ(run.out, row.out) << shown;
    if (row.err == "lumenrt: *") {
      EXPECT_EQ(run.err.rfind("lumenrt: ", 0), 0u) << shown << run.err;
    } else {
      EXPECT_EQ(run.err, row.err) << shown;
    }
  }
}

TEST(PluginsTool, SelectionShowsWhatAJobWillBackUp) {
  Files files;
  const std::string job = files.Write("job.qxc",
                                      "Backup.EXCH_Include = a, \"b\" ,^2cx\n"
                                      "Restore.EXCHMAPI_Include = Mailboxes\\Jo, \"Public Folders\"\n"
                                      "SQLServerBackup.Include = master, sales\n");
  const std::string global = files.Write("Global.qxc", "#Plugin0\nPlugin0.Code = EXCHMAPI\n");
  RunRows(
      {
          {{"selection", "--kind", "exch", "--token", "0", "--source", "@job"},
           0,
           "name\tsource\tinclude\n"
           "a\t0\t1\nb\t0\t1\n,x\t0\t1\n$EXCH$:\\END\t0\t0\n",
           ""},
          {{"selection", "--kind", "mapi", "--token", "1", "--source", "@global", "--source", "@job"},
           0,
           "name\tsource\tinclude\n"
           "Mailboxes\\Jo\t1\t1\nPublic Folders\t1\t1\n",
           ""},
          {{"selection", "--kind", "exch", "--token", "1", "--source", "@job"},
           0,
           "name\tsource\tinclude\n",
           ""},
          {{"selection", "--kind", "mapi", "--token", "3", "--source", "@job"},
           0,
           "name\tsource\tinclude\n",
           ""},
          {{"selection", "--kind", "exch", "--token", "5", "--source", "@job"},
           1,
           "",
           "lumenrt: ExchSelectionListImpl.initialize: Bad token type.\n"},
          {{"selection", "--kind", "mapi", "--token", "7", "--source", "@job"},
           1,
           "",
           "lumenrt: MapiSelectionListImpl.initialize: Bad token type.\n"},
          {{"selection", "--kind", "sql", "--token", "0", "--source", "@job"}, 2, "", "lumenrt: *"},
          // An author's module instead of the built-in adapters.
          {{"selection", "--kind", "2", "--module", LUMENRT_EXAMPLE_FACTORY_MODULE, "--token", "0",
            "--source", "@job"},
           0,
           "name\tsource\tinclude\n"
           "master\t2\t1\nsales\t2\t1\n",
           ""},
          {{"selection", "--kind", "2", "--module", LUMENRT_EXAMPLE_FACTORY_MODULE, "--token", "5",
            "--source", "@job"},
           1,
           "",
           "lumenrt: ExampleDatabaseList: Bad token type.\n"},
          {{"selection", "--kind", "mapi", "--module", LUMENRT_EXAMPLE_MAILBOX_MODULE, "--token", "1",
            "--source", "@job"},
           0,
           "name\tsource\tinclude\n"
           "Mailboxes\\Jo\t1\t1\nPublic Folders\t1\t1\n",
           ""},
          {{"selection", "--kind", "4", "--token", "0", "--source", "@job"},
           2,
           "",
           "lumenrt: --kind 4 needs --module FILE\n"},
      },
      job, global);
}

TEST(PluginsTool, OptionsShowEveryArgumentTheModuleReceives) {
  Files files;
  const std::string job = files.Write("job.qxc",
                                      "Backup.EXCH_Backup_Type = incr\n"
                                      "Backup.EXCH_Server_Name = EXSRV\n"
                                      "Backup.EXCHMAPI_Server_Name = MBX\n"
                                      "Backup.EXCHMAPI_Excl_Mbx_Outbox = yes\n"
                                      "Restore.EXCHMAPI_Restore_To = pst\n");
  const std::string global = files.Write("Global.qxc",
                                         "#Plugin1\nPlugin1.Code = EXCHMAPI\nPlugin1.Profile = Outlook\n"
                                         "Plugin1.Account = backup\nPlugin1.Password = s3cret\n"
                                         "Plugin1.Domain = CORP\nPlugin1.Get_Prop_Retry = 3\n");
  const std::string bad = files.Write("bad.qxc", "Backup.EXCH_Backup_Type = x\n");
  std::string mapiBackup =
      "position\tname\tvalue\n1\tserver_name\tMBX\n2\tprofile\tOutlook\n3\tmode\t0\n4\texcl_mbx_outbox\t1\n";
  const char* excl[] = {"excl_mbx_sentmail",    "excl_mbx_wastebasket", "excl_mbx_attachments",
                        "excl_mbx_calendar",    "excl_mbx_note",        "excl_mbx_tasks",
                        "excl_mbx_journal",     "excl_mbx_contact",     "excl_pfolder_calendar",
                        "excl_pfolder_note",    "excl_pfolder_tasks",   "excl_pfolder_attachments",
                        "excl_pfolder_journal", "excl_pfolder_contact"};
  for (int i = 0; i < 14; ++i) mapiBackup += std::to_string(i + 5) + "\t" + excl[i] + "\t0\n";
  mapiBackup += "19\tget_prop_retry\t3\n";
  const std::string jobLines = "job\taccount\tbackup\njob\tpassword\t********\njob\tdomain\tCORP\n";
  RunRows(
      {
          {{"options", "--kind", "exch", "--backup", "--source", "@job"},
           0,
           "position\tname\tvalue\n"
           "1\tbackup_type\t1\n2\tdelete_logs\t1\n3\tserver_name\tEXSRV\n",
           ""},
          {{"options", "--kind", "exch", "--restore", "--source", "@job"},
           0,
           "position\tname\tvalue\n"
           "1\troll_forward\t1\n2\thard_recovery\t1\n3\tlog_location\t\n4\tserver_name\t\n",
           ""},
          {{"options", "--kind", "mapi", "--backup", "--source", "@job", "--source", "@global", "--flags",
            "2"},
           0,
           mapiBackup + jobLines,
           ""},
          {{"options", "--kind", "mapi", "--restore", "--source", "@job", "--source", "@global",
            "--show-password"},
           0,
           "position\tname\tvalue\n1\tserver_name\tMBX\n2\tprofile\tOutlook\n3\tmode\t1\n4\texcl_mbx_"
           "outbox\t0\n5\texcl_mbx_"
           "sentmail\t0\n"
           "6\texcl_mbx_wastebasket\t0\n7\texcl_mbx_attachments\t0\n8\texcl_pfolder_calendar\t0\n"
           "9\texcl_pfolder_note\t0\n10\texcl_pfolder_tasks\t0\n11\texcl_pfolder_attachments\t0\n"
           "12\trestore_folder\t\n13\trestore_to\t2\n14\tresolve\t0\n"
           "job\taccount\tbackup\njob\tpassword\ts3cret\njob\tdomain\tCORP\n",
           ""},
          {{"options", "--kind", "mapi", "--backup", "--source", "@job"},
           1,
           "",
           "lumenrt: ExchangeMAPI plug-in section is missing in Global.qxc file\n"},
          {{"options", "--kind", "exch", "--backup", "--source", bad},
           1,
           "",
           "lumenrt: PARS-E-BADVALUE, Backup.EXCH_Backup_Type was specified with an invalid value 'x'.\n"},
          {{"options", "--kind", "exch", "--source", "@job"},
           2,
           "",
           "lumenrt: give one of --backup and --restore\n"},
          {{"options", "--kind", "exch", "--backup", "--source", "@job", "--flags", "256"},
           2,
           "",
           "lumenrt: *"},
          // An author's module: what applyOptions answered, as it keeps no record of its calls.
          {{"options", "--kind", "2", "--backup", "--module", LUMENRT_EXAMPLE_FACTORY_MODULE, "--source",
            "@job"},
           0,
           "position\tname\tvalue\nresult\tapplyOptions\t1\n",
           ""},
          {{"options", "--kind", "mapi", "--backup", "--module", LUMENRT_EXAMPLE_MAILBOX_MODULE, "--source",
            "@job", "--source", "@global"},
           0,
           "position\tname\tvalue\nresult\tapplyOptions\t1\n" + jobLines,
           ""},
          {{"options", "--kind", "exch", "--restore", "--module", LUMENRT_EXAMPLE_MAILBOX_MODULE, "--source",
            "@job"},
           1,
           "",
           "lumenrt: *"},
          {{"options", "--kind", "2", "--backup", "--source", "@job"},
           2,
           "",
           "lumenrt: --kind 2 needs --module FILE\n"},
      },
      job, global);
}

// The recording module is the file beside the tool: one there without its rec_* functions (here a
// probe module with two Exchange entry points) is refused with one line, never called through null.
TEST(PluginsTool, OptionsRefuseARecorderWithoutItsFunctions) {
  Files files;
  const std::string job = files.Write("job.qxc", "Backup.EXCH_Include = a\n");
  const std::filesystem::path dir = std::filesystem::path(job).parent_path();
  std::filesystem::copy_file(LUMENRT_TOOL_PATH, dir / "lumenrt");
  std::filesystem::copy_file(LUMENRT_PROBE_EXCH_MODULE, dir / "lumenrt-recorder.so");
  const std::string command =
      "cd '" + dir.string() +
      "' && ./lumenrt plugins options --kind exch --backup --source job.qxc >out 2>err";
  const int status = std::system(command.c_str());
  ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
  EXPECT_EQ(WEXITSTATUS(status), 1);
  std::ifstream in(dir / "err");
  const std::string err((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(err.rfind("lumenrt: ", 0), 0u) << err;
  EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
}

}  // namespace
