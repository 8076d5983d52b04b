// Every platform service is replaced the same way: Substitute<Service> installs a substitute and
// answers the one before it, Current<Service> answers the substitute while one is installed, and
// null puts the system's back.
#include <cstring>

#include <gtest/gtest.h>

#include "lumenrt/platform/clock.h"
#include "lumenrt/platform/debug_output.h"
#include "lumenrt/platform/file_service.h"
#include "lumenrt/platform/file_tree.h"
#include "lumenrt/platform/message_module.h"
#include "lumenrt/platform/module_loader.h"
#include "lumenrt/platform/registry_store.h"
#include "lumenrt/platform/system_error.h"

namespace lumenrt::platform {
namespace {

template <typename Service>
void ExpectSubstitutable(Service& (*system)(), Service& (*current)(), Service* (*substitute)(Service*),
                         Service& mine, Service& other) {
  ASSERT_EQ(&current(), &system());
  EXPECT_EQ(substitute(&mine), nullptr);
  EXPECT_EQ(&current(), &mine);
  EXPECT_EQ(substitute(&other), &mine);
  EXPECT_EQ(&current(), &other);
  EXPECT_EQ(substitute(nullptr), &other);
  EXPECT_EQ(&current(), &system());
}

struct StillClock : Clock {
  std::uint64_t CurrentFileTime() override { return 116444736000000000ull; }  // 1970-01-01
  bool CurrentLocalZone(LocalZone* out) override {
    *out = LocalZone{60, true, false};
    return true;
  }
  std::int64_t HighResolutionCounter() override { return 42; }
  std::int64_t HighResolutionFrequency() override { return 1000; }
};

struct NoTexts : ErrorTexts {
  int SystemText(int, char* buffer, int) override { return buffer[0] = '\0', 0; }
};

struct NoTables : MessageTables {
  int LoadString(ModuleHandle, std::uint32_t, char* buffer, int) override { return buffer[0] = '\0', 0; }
  int LoadMessageText(ModuleHandle, std::uint32_t, char* buffer, int) override { return buffer[0] = '\0', 0; }
};

struct NoLoader : ModuleLoader {
  ModuleHandle Load(const char*) override { return nullptr; }
  void* FindSymbol(ModuleHandle, const char*) override { return nullptr; }
  bool Release(ModuleHandle) override { return false; }
  bool IsLoaded(const char*) override { return true; }
};

struct Recorder : DebugOutput {
  std::string seen;
  void Write(const char* text) override { seen += text; }
};

struct EmptyStore : RegistryStore {
  std::string StorePath() override { return "nowhere"; }
  int OpenKey(const char*) override { return 2; }
  int CreateKey(const char*) override { return 13; }
  int QueryValue(const char*, const char*, int*, unsigned char*, std::uint32_t*) override { return 2; }
  int SetValue(const char*, const char*, int, const void*, std::uint32_t) override { return 13; }
};

struct NoTree : FileTree {
  std::unique_ptr<Directory> OpenDirectory(const char*) override { return nullptr; }
  bool RemoveDirectory(const char*) override { return false; }
};

TEST(PlatformSubstitution, EveryServiceIsReplacedTheSameWay) {
  StillClock clock1, clock2;
  ExpectSubstitutable<Clock>(SystemClock, CurrentClock, SubstituteClock, clock1, clock2);
  NoTexts texts1, texts2;
  ExpectSubstitutable<ErrorTexts>(SystemErrorTexts, CurrentErrorTexts, SubstituteErrorTexts, texts1, texts2);
  NoTables tables1, tables2;
  ExpectSubstitutable<MessageTables>(SystemMessageTables, CurrentMessageTables, SubstituteMessageTables,
                                     tables1, tables2);
  NoLoader loader1, loader2;
  ExpectSubstitutable<ModuleLoader>(SystemModuleLoader, CurrentModuleLoader, SubstituteModuleLoader, loader1,
                                    loader2);
  Recorder output1, output2;
  ExpectSubstitutable<DebugOutput>(SystemDebugOutput, CurrentDebugOutput, SubstituteDebugOutput, output1,
                                   output2);
  EmptyStore store1, store2;
  ExpectSubstitutable<RegistryStore>(SystemRegistryStore, CurrentRegistryStore, SubstituteRegistryStore,
                                     store1, store2);
  NoTree tree1, tree2;
  ExpectSubstitutable<FileTree>(SystemFileTree, CurrentFileTree, SubstituteFileTree, tree1, tree2);
}

TEST(PlatformSubstitution, TheFreeFunctionsAskTheServiceInUse) {
  StillClock clock;
  SubstituteClock(&clock);
  CalendarTime t;
  EXPECT_TRUE(CurrentUtcTime(&t));
  EXPECT_EQ(t.year, 1970);
  LocalZone zone;
  EXPECT_TRUE(CurrentLocalZone(&zone));
  EXPECT_EQ(zone.offsetMinutes, 60);
  EXPECT_EQ(HighResolutionCounter(), 42);
  EXPECT_EQ(HighResolutionFrequency(), 1000);
  SubstituteClock(nullptr);

  Recorder output;
  SubstituteDebugOutput(&output);
  WriteDebugOutput("trace\n");
  WriteDebugOutput(nullptr);
  SubstituteDebugOutput(nullptr);
  EXPECT_EQ(output.seen, "trace\n");

  NoLoader loader;
  SubstituteModuleLoader(&loader);
  EXPECT_TRUE(IsModuleLoaded("anything"));
  SubstituteModuleLoader(nullptr);
  EXPECT_FALSE(IsModuleLoaded("lumenrt-no-such-module.so"));

  EmptyStore store;
  SubstituteRegistryStore(&store);
  EXPECT_EQ(RegistryStorePath(), "nowhere");
  EXPECT_EQ(RegistryCreateKey("A"), 13);
  SubstituteRegistryStore(nullptr);
}

}  // namespace
}  // namespace lumenrt::platform
