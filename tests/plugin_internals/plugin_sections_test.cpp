// The search for the mailbox module's plug-in section among the sections of a Global.qxc file.
#include "lumenrt/plugins/internal/plugin_sections.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <unistd.h>

#include "lumenrt/config/config_file.h"
#include "lumenrt/config/config_source.h"
#include "lumenrt/config/lookups.h"
#include "lumenrt/plugins/plugin_exception.h"

namespace {

constexpr const char kMissing[] = "ExchangeMAPI plug-in section is missing in Global.qxc file";
constexpr const char kAmbiguous[] = "ambiguous ExchangeMAPI plug-ins sections detected in Global.qxc file";

// A Global.qxc-style file loaded into a real source in slot 1, removed again afterwards.
class GlobalFile {
 public:
  explicit GlobalFile(const std::string& text) : source_(std::make_unique<ConfigSource>(1, 105)) {
    char name[] = "/tmp/lumenrt-global-XXXXXX";
    int fd = mkstemp(name);
    if (fd >= 0) close(fd);
    path_ = name;
    std::ofstream(path_, std::ios::binary) << text;
    std::vector<lumenrt::ConfigFileProblem> problems;
    lumenrt::LoadConfigFile(path_, *source_, problems);
    EXPECT_TRUE(problems.empty()) << problems.front().message;
    for (int slot = 1; slot <= 4; ++slot) RemoveConfigSource(slot);
    InstallConfigSource(1, source_.get());
  }
  ~GlobalFile() {
    RemoveConfigSource(1);
    std::remove(path_.c_str());
  }

 private:
  std::string path_;
  std::unique_ptr<ConfigSource> source_;
};

struct SectionCase {
  const char* what;
  const char* file;
  int section;              // expected answer, or -1 when the search raises
  const char* message;      // expected text when it raises
  const char* lastKeyRead;  // CurrentKeyName afterwards
};

TEST(PluginSections, FindsTheOneExactEXCHMAPISection) {
  const SectionCase cases[] = {
      {"only section 4", "#Plugin4\nPlugin4.Code = EXCHMAPI\n", 4, nullptr, "Plugin4.Code"},
      {"section 0, others of other modules",
       "Plugin0.Code = EXCHMAPI\nPlugin1.Code = EXCH\nPlugin2.Code = SQLSERVER_70\n", 0, nullptr,
       "Plugin4.Code"},
      {"0 and 3 both match: raised at 3, 4 never read",
       "Plugin0.Code = EXCHMAPI\nPlugin3.Code = EXCHMAPI\nPlugin4.Code = EXCHMAPI\n", -1, kAmbiguous,
       "Plugin3.Code"},
      {"lower case is another name", "Plugin2.Code = exchmapi\n", -1, kMissing, "Plugin4.Code"},
      {"lower case beside the real one", "Plugin1.Code = ExchMapi\nPlugin3.Code = EXCHMAPI\n", 3, nullptr,
       "Plugin4.Code"},
      {"a longer or shorter name does not match",
       "Plugin0.Code = EXCHMAPI2\nPlugin1.Code = EXCHMAP\nPlugin2.Code = \" EXCHMAPI\"\n", -1, kMissing,
       "Plugin4.Code"},
      {"empty value", "Plugin0.Code =\n", -1, kMissing, "Plugin4.Code"},
      {"no plug-in sections at all", "Backup.Compression = None\n", -1, kMissing, "Plugin4.Code"},
      {"sections 5 and above are not searched", "Plugin5.Code = EXCHMAPI\n", -1, kMissing, "Plugin4.Code"},
  };
  for (const SectionCase& c : cases) {
    SCOPED_TRACE(c.what);
    GlobalFile file(c.file);
    if (c.section >= 0) {
      EXPECT_EQ(lumenrt::FindMapiPluginSection(), c.section);
    } else {
      try {
        lumenrt::FindMapiPluginSection();
        ADD_FAILURE() << "no exception";
      } catch (const Plugins::PluginException& e) {
        EXPECT_EQ(e.code, 1);
        EXPECT_STREQ(e.message, c.message);
      }
    }
    EXPECT_STREQ(CurrentKeyName.c_str(), c.lastKeyRead);
  }
}

TEST(PluginSections, NoSourceInstalledMeansNoSection) {
  for (int slot = 1; slot <= 4; ++slot) RemoveConfigSource(slot);
  try {
    lumenrt::FindMapiPluginSection();
    ADD_FAILURE() << "no exception";
  } catch (const Plugins::PluginException& e) {
    EXPECT_STREQ(e.message, kMissing);
  }
}

}  // namespace
