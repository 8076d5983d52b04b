// The lumenrt otm, plugins modules, plugins describe and plugins check commands.
#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/run_tool.h"

namespace {

using lumenrt::test::RunToolCommand;

TEST(PluginToolTest, OtmPrintsTheTextOfACodeAndRefusesWhatIsNoCode) {
  const struct {
    std::string code;
    int status;
    std::string out;  // standard output, or for usage errors a part of standard error
  } cases[] = {
      {"0xE0001022", 0, "Unable to create cache file\n"},
      {"0x60000003", 0, "OTM opened\n"},
      {"3758100514", 0, "Unable to create cache file\n"},  // the same code in decimal
      {"0xE0001023", 1, "Undefined OTM error code\n"},
      {"0", 1, "Undefined OTM error code\n"},
      {"0xFFFFFFFF", 1, "Undefined OTM error code\n"},
      {"0x100000000", 2, "bad OTM status code '0x100000000'"},
      {"-1", 2, "bad OTM status code"},
      {"cache", 2, "bad OTM status code 'cache'"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.code);
    auto run = RunToolCommand("otm -- " + lumenrt::test::ShellQuote(c.code));
    EXPECT_EQ(run.exit, c.status) << run.err;
    if (c.status == 2) {
      EXPECT_NE(run.err.find(c.out), std::string::npos) << run.err;
    } else {
      EXPECT_EQ(run.out, c.out);
    }
  }
}

TEST(PluginToolTest, ModulesPrintsTheModuleTable) {
  auto run = RunToolCommand("plugins modules");
  EXPECT_EQ(run.exit, 0) << run.err;
  EXPECT_EQ(run.out,
            "kind\tfile\tfacility\tcode\tid\ttype\n"
            "0\tQXExch.dll\tEXDB\tEXDB\t200\tEXCH\n"
            "1\tQXExchMapi.dll\tEXMA\tEXMA\t201\tEXCHMAPI\n"
            "2\tQXSqlServer.dll\tMSQL\tSQLS\t202\tSQLSERVER_70\n"
            "3\tqxoracle.so\tORCL\tORAC\t203\tORACLE_8I_SOLARIS\n"
            "4\tQXOracleWin.dll\tORCL\tORAC\t204\tORACLE_WIN32\n");
}

// What the system's loader says of a file that does not exist and of a module that needs a symbol
// no loaded library has.
#ifdef _WIN32
constexpr const char kNoFileText[] = "The specified module could not be found";
#else
constexpr const char kNoFileText[] = "No such file or directory";
#endif

TEST(PluginToolTest, DescribePrintsTheFactoriesOrRefusesABadModule) {
  const std::string data = LUMENRT_TEST_DATA_DIR;
  const std::string lib = std::filesystem::path(LUMENRT_PROBE_FACTORY_MODULE).parent_path().string();
  const std::string header = "kind\ttype\tdescription\n";
  const struct {
    std::string arguments;
    int status;
    std::string out;       // standard output, or a part of standard error when the command fails
    std::string cwd = {};  // where the tool runs (empty: here)
  } cases[] = {
      {"", 0,
       header + "0\tEXCH\tMS Exchange Disaster Recovery Module.\n1\tEXCHMAPI\tMS Exchange Mailbox module\n"},
      {"--kind 2 --module " LUMENRT_PROBE_FACTORY_MODULE, 0,
       header + "2\tSQLSERVER_70\tProbe module factory.\n"},
      {"--kind 4 --module " LUMENRT_PROBE_FACTORY_MODULE, 0,
       header + "4\tORACLE_WIN32\tProbe module factory.\n"},
      {"--kind 0 --module " LUMENRT_PROBE_EXCH_MODULE, 0,
       header + "0\tEXCH\tMS Exchange Disaster Recovery Module.\n"},
      {"--kind 2 --module " LUMENRT_EXAMPLE_FACTORY_MODULE, 0,
       header + "2\tSQLSERVER_70\tExample database module.\n"},
      {"--kind 1 --module " LUMENRT_PROBE_EXCH_MODULE, 1, "exports none of the EXCHMAPI entry points"},
      {"--kind 2 --module " + data + "/config/global.cfg", 1, "cannot be loaded as a module ("},
      {"--kind 2 --module " + data + "/no-such.so", 1, kNoFileText},
      {"--kind 3 --module " + data + "/config/global.cfg", 1, "module kind 3 cannot be loaded"},
      {"--kind 2", 2, "--kind needs --module FILE"},
      {"--module x.so", 2, "--module needs --kind N"},
      {"--kind 9 --module x.so", 2, "kind"},
      // A name without a folder is a file in the current folder, never a library on the search path.
      {"--kind 2 --module libplug_probe_factory.so", 0, header + "2\tSQLSERVER_70\tProbe module factory.\n",
       lib},
      {"--kind 2 --module libsqlite3.so.0", 1, "./libsqlite3.so.0 cannot be loaded as a module", lib},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.arguments);
    auto run = RunToolCommand("plugins describe " + c.arguments, c.cwd);
    EXPECT_EQ(run.exit, c.status) << run.err;
    if (c.status == 0) {
      EXPECT_EQ(run.out, c.out);
    } else {
      EXPECT_NE(run.err.find(c.out), std::string::npos) << run.err;
    }
  }
}

// plugins check: one record per export the library looks up for the kind, then the description;
// exit 1 with the missing names when the module lacks one the library calls, or when it cannot be
// loaded (with the loader's own words).
TEST(PluginToolTest, CheckListsTheExportsOfAKindAndNamesWhatIsMissing) {
  const std::string data = LUMENRT_TEST_DATA_DIR;
  const std::string exchMissing =
      "exch_raw_sidf_search, exch_raw_bck_access, exch_raw_bck_opensubstream, exch_raw_bck_read, "
      "exch_set_backup_options, exch_set_restore_options, exch_get_log_objects, exch_clear_log_objects";
  const struct {
    std::string arguments;
    int status;
    std::vector<std::string> out;  // lines of standard output that must be there
    std::string err;               // a part of standard error ("" when the command succeeds)
  } cases[] = {
      {"--kind 2 " LUMENRT_EXAMPLE_FACTORY_MODULE,
       0,
       {"entry\tresult", "plugin_get_factory\tpresent", "getDescription\tExample database module."},
       ""},
      {"--kind 1 " LUMENRT_EXAMPLE_MAILBOX_MODULE,
       0,
       {"entry\tresult", "mapi_set_backup_options\tpresent", "mapi_set_restore_options\tpresent",
        "mapi_dispatch\tunused", "getDescription\tMS Exchange Mailbox module"},
       ""},
      {"--kind 0 " LUMENRT_PROBE_EXCH_MODULE,
       1,
       {"exch_dispatch\tpresent", "exch_raw_dsk_error\tpresent", "exch_raw_bck_read\tmissing",
        "exch_entry_0\tunused", "getDescription\tMS Exchange Disaster Recovery Module."},
       "is incomplete for kind 0, it lacks: " + exchMissing + "\n"},
      {"--kind 2 " LUMENRT_PROBE_EXCH_MODULE,
       1,
       {"plugin_get_factory\tmissing"},
       "it lacks: plugin_get_factory\n"},
      {"--kind 0 " LUMENRT_EXAMPLE_MAILBOX_MODULE,
       1,
       {"exch_dispatch\tmissing"},
       "it lacks: exch_dispatch, "},
      {"--kind 2 " + data + "/no-such.so", 1, {}, "no-such.so cannot be loaded as a module: "},
      {"--kind 2 " + data + "/no-such.so", 1, {}, kNoFileText},
#ifndef _WIN32
      {"--kind 2 " LUMENRT_UNRESOLVED_MODULE, 1, {}, "undefined symbol: lumenrt_test_symbol_nowhere"},
#endif
      {"--kind 3 " LUMENRT_EXAMPLE_FACTORY_MODULE, 2, {}, "module kind 3 cannot be loaded"},
      {"--kind 9 " LUMENRT_EXAMPLE_FACTORY_MODULE, 2, {}, "--kind"},
      {"--kind 2", 2, {}, "FILE"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.arguments);
    auto run = RunToolCommand("plugins check " + c.arguments);
    EXPECT_EQ(run.exit, c.status) << run.err;
    for (const auto& line : c.out)
      EXPECT_NE(run.out.find(line + "\n"), std::string::npos) << line << "\n" << run.out;
    // Success is silent on stderr; a failure names its cause there.
    EXPECT_NE(run.err.find(c.err), std::string::npos) << run.err;
    if (c.status == 0) {
      EXPECT_EQ(run.err, "");
    }
  }
}

// Whatever a module raises, from its factory function or its description, ends the command with exit 1
// and one line: never std::terminate, never a crash once the module is gone.
TEST(PluginToolTest, DescribeSurvivesAModuleThatRaises) {
  for (const char* where : {"factory", "describe"}) {
    for (const char* what : {"custom", "int", "std", "plugin", "zerror"}) {
      const std::string setting = std::string(where) + " " + what;
      SCOPED_TRACE(setting);
      auto run = RunToolCommand("plugins describe --kind 2 --module " LUMENRT_HOSTILE_MODULE, "",
                                "env LUMENRT_HOSTILE='" + setting + "'");
      EXPECT_EQ(run.exit, 1) << run.err;
      EXPECT_EQ(run.out, "");
      EXPECT_EQ(run.err.rfind("lumenrt: ", 0), 0u) << run.err;
      EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    }
  }
  EXPECT_EQ(RunToolCommand("plugins describe --kind 2 --module " LUMENRT_HOSTILE_MODULE).out,
            "kind\ttype\tdescription\n2\tSQLSERVER_70\tHostile module factory.\n");
}

}  // namespace
