#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "lumenrt/platform/module_loader.h"
#include "lumenrt/system/netapi32_dll.h"

namespace {

using lumenrt::platform::IsModuleLoaded;

void ExpectEmpty(const NetApi32DLL& d) {
  EXPECT_EQ(d.module, nullptr);
  EXPECT_EQ(d.NetDfsGetInfo, nullptr);
  EXPECT_EQ(d.NetShareEnum, nullptr);
  EXPECT_EQ(d.NetShareGetInfo, nullptr);
  EXPECT_EQ(d.NetShareAdd, nullptr);
  EXPECT_EQ(d.NetShareDel, nullptr);
  EXPECT_EQ(d.NetApiBufferFree, nullptr);
  EXPECT_EQ(d.DsRoleGetPrimaryDomainInformation, nullptr);
  EXPECT_EQ(d.DsRoleFreeMemory, nullptr);
}

TEST(NetApi32DLLTest, IsEmptyWithoutTheModule) {
#ifndef _WIN32           // on Windows the system's netapi32.dll is there and is the one loaded
  NetApi32DLL standard;  // "netapi32.dll" does not exist on this system
  ExpectEmpty(standard);
#endif
  NetApi32DLL missing("/nonexistent/netapi32.so");
  ExpectEmpty(missing);
}

TEST(NetApi32DLLTest, LoadsAllEightAndReleasesTheModuleOnDestruction) {
  ASSERT_FALSE(IsModuleLoaded(LUMENRT_NETAPI_FULL_MODULE));
  {
    NetApi32DLL d(LUMENRT_NETAPI_FULL_MODULE);
    ASSERT_NE(d.module, nullptr);
    EXPECT_TRUE(IsModuleLoaded(LUMENRT_NETAPI_FULL_MODULE));
    // Each field holds its own function (the stand-ins answer 101 to 107 in field order).
    EXPECT_EQ(d.NetDfsGetInfo(nullptr, nullptr, nullptr, 0, nullptr), 101u);
    EXPECT_EQ(d.NetShareEnum(nullptr, 0, nullptr, 0, nullptr, nullptr, nullptr), 102u);
    EXPECT_EQ(d.NetShareGetInfo(nullptr, nullptr, 0, nullptr), 103u);
    EXPECT_EQ(d.NetShareAdd(nullptr, 0, nullptr, nullptr), 104u);
    EXPECT_EQ(d.NetShareDel(nullptr, nullptr, 0), 105u);
    EXPECT_EQ(d.NetApiBufferFree(nullptr), 106u);
    EXPECT_EQ(d.DsRoleGetPrimaryDomainInformation(nullptr, 0, nullptr), 107u);
    ASSERT_NE(d.DsRoleFreeMemory, nullptr);
    d.DsRoleFreeMemory(nullptr);
  }
  EXPECT_FALSE(IsModuleLoaded(LUMENRT_NETAPI_FULL_MODULE));
}

TEST(NetApi32DLLTest, AMissingFunctionLeavesItEmptyAndTheModuleUnloaded) {
  NetApi32DLL d(LUMENRT_NETAPI_PARTIAL_MODULE);  // lacks DsRoleFreeMemory, the last lookup
  ExpectEmpty(d);
  EXPECT_FALSE(IsModuleLoaded(LUMENRT_NETAPI_PARTIAL_MODULE));
}

// A module loader that records what it is asked: its one module lacks the name `missing`.
class RecordingLoader : public lumenrt::platform::ModuleLoader {
 public:
  ModuleHandle Load(const char*) override { return loads ? &module_ : nullptr; }
  void* FindSymbol(ModuleHandle module, const char* name) override {
    if (module != &module_) return nullptr;
    lookups.emplace_back(name);
    return missing == name ? nullptr : &module_;
  }
  bool Release(ModuleHandle module) override {
    if (module == &module_) ++releases;
    return module == &module_;
  }
  bool IsLoaded(const char*) override { return false; }

  bool loads = true;
  std::string missing;
  std::vector<std::string> lookups;
  int releases = 0;

 private:
  int module_ = 0;
};

TEST(NetApi32DLLTest, StopsAtTheFirstMissingNameAndReleasesTheModuleOnceAndAnEmptyOneNeverAgain) {
  const std::vector<std::string> names = {"NetDfsGetInfo",
                                          "NetShareEnum",
                                          "NetShareGetInfo",
                                          "NetShareAdd",
                                          "NetShareDel",
                                          "NetApiBufferFree",
                                          "DsRoleGetPrimaryDomainInformation",
                                          "DsRoleFreeMemory"};
  RecordingLoader loader;
  lumenrt::platform::SubstituteModuleLoader(&loader);
  for (std::size_t missing = 0; missing <= names.size(); ++missing) {
    loader = {};
    if (missing < names.size()) loader.missing = names[missing];
    {
      NetApi32DLL d("netapi32.dll");
      const std::size_t looked = missing < names.size() ? missing + 1 : names.size();
      EXPECT_EQ(loader.lookups, std::vector<std::string>(names.begin(), names.begin() + looked));
      EXPECT_EQ(loader.releases, missing < names.size() ? 1 : 0) << loader.missing;
      if (missing < names.size()) ExpectEmpty(d);
    }
    EXPECT_EQ(loader.releases, 1) << loader.missing;  // an empty object releases nothing more
  }
  loader = {};
  loader.loads = false;
  { NetApi32DLL d("netapi32.dll"); }
  EXPECT_TRUE(loader.lookups.empty());
  EXPECT_EQ(loader.releases, 0);
  lumenrt::platform::SubstituteModuleLoader(nullptr);
}

TEST(ModuleLoaderTest, LoadsLooksUpAndReleases) {
  using namespace lumenrt::platform;
  EXPECT_EQ(LoadModule(nullptr), nullptr);
  EXPECT_EQ(LoadModule(""), nullptr);
  EXPECT_FALSE(ReleaseModule(nullptr));
  EXPECT_EQ(FindSymbol(nullptr, "NetShareDel"), nullptr);
  EXPECT_FALSE(IsModuleLoaded(""));

  ModuleHandle m = LoadModule(LUMENRT_NETAPI_PARTIAL_MODULE);
  ASSERT_NE(m, nullptr);
  EXPECT_NE(FindSymbol(m, "NetShareDel"), nullptr);
  EXPECT_EQ(FindSymbol(m, "DsRoleFreeMemory"), nullptr);
  ModuleHandle again = LoadModule(LUMENRT_NETAPI_PARTIAL_MODULE);  // counted: one release each
  EXPECT_TRUE(ReleaseModule(again));
  EXPECT_TRUE(IsModuleLoaded(LUMENRT_NETAPI_PARTIAL_MODULE));
  EXPECT_TRUE(ReleaseModule(m));
  EXPECT_FALSE(IsModuleLoaded(LUMENRT_NETAPI_PARTIAL_MODULE));
}

}  // namespace
