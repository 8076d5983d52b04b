// The lumenrt otm, plugins modules and plugins describe commands.
#include <algorithm>
#include <filesystem>
#include <string>

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

TEST(PluginToolTest, DescribePrintsTheFactoriesOrRefusesABadModule) {
  const std::string data = LUMENRT_TEST_DATA_DIR;
  const std::string lib = std::filesystem::path(LUMENRT_PROBE_FACTORY_MODULE).parent_path().string();
  const struct {
    std::string arguments;
    int status;
    std::string out;       // standard output, or a part of standard error when the command fails
    std::string cwd = {};  // where the tool runs (empty: here)
  } cases[] = {
      {"", 0, "0\tEXCH\tMS Exchange Disaster Recovery Module.\n1\tEXCHMAPI\tMS Exchange Mailbox module\n"},
      {"--kind 2 --module " LUMENRT_PROBE_FACTORY_MODULE, 0, "2\tSQLSERVER_70\tProbe module factory.\n"},
      {"--kind 4 --module " LUMENRT_PROBE_FACTORY_MODULE, 0, "4\tORACLE_WIN32\tProbe module factory.\n"},
      {"--kind 0 --module " LUMENRT_PROBE_EXCH_MODULE, 0, "0\tEXCH\tMS Exchange Disaster Recovery Module.\n"},
      {"--kind 1 --module " LUMENRT_PROBE_EXCH_MODULE, 1, "exports none of the EXCHMAPI entry points"},
      {"--kind 2 --module " + data + "/config/global.cfg", 1, "cannot be loaded as a module"},
      {"--kind 3 --module " + data + "/config/global.cfg", 1, "module kind 3 cannot be loaded"},
      {"--kind 2", 2, "--kind needs --module FILE"},
      {"--module x.so", 2, "--module needs --kind N"},
      {"--kind 9 --module x.so", 2, "kind"},
      // A name without a folder is a file in the current folder, never a library on the search path.
      {"--kind 2 --module libplug_probe_factory.so", 0, "2\tSQLSERVER_70\tProbe module factory.\n", lib},
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
            "2\tSQLSERVER_70\tHostile module factory.\n");
}

}  // namespace
