// The plug-in registry and its loading code, driven with real modules (tests/plugins/modules/
// probe_module.cpp): what loading fills and records, what unloading clears and releases, and the
// three error paths of the registry.
#include "lumenrt/plugins/plugin_registry.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#if !defined(_WIN32)
#include <pthread.h>
#endif

#include "lumenrt/core/zerror.h"
#include "lumenrt/platform/module_loader.h"
#include "lumenrt/plugins/exch/exch_entry_table.h"
#include "lumenrt/plugins/ibackup.h"
#include "lumenrt/plugins/ifactory.h"
#include "lumenrt/plugins/mapi/mapi_entry_table.h"
#include "lumenrt/plugins/module_call.h"
#include "lumenrt/plugins/module_table.h"
#include "lumenrt/plugins/plugin_exception.h"
#include "lumenrt/plugins/plugin_loading.h"

#include "support/environment.h"

namespace {

const char* const kExchProbe = LUMENRT_PROBE_EXCH_MODULE;
const char* const kMapiProbe = LUMENRT_PROBE_MAPI_MODULE;
const char* const kFactoryProbe = LUMENRT_PROBE_FACTORY_MODULE;
const char* const kBareProbe = LUMENRT_PROBE_BARE_MODULE;
const char* const kHostile = LUMENRT_HOSTILE_MODULE;

int FilledSlots(const lumenrt::EntryTable& table) {
  int n = 0;
  for (void* slot : table.slots) n += slot != nullptr;
  return n;
}

// Every test starts and ends with an empty registry; the probes' exit lines go to a file of its own.
class Registry : public ::testing::Test {
 protected:
  void SetUp() override {
    log_ = (std::filesystem::temp_directory_path() /
            ("lumenrt-probe-" + std::to_string(std::random_device{}()) + ".log"))
               .string();
    ASSERT_TRUE(std::ofstream(log_).good()) << log_;
    lumenrt::test::SetEnvironment("LUMENRT_PROBE_LOG", log_.c_str());
    Empty();
  }
  void TearDown() override {
    Empty();
    lumenrt::test::UnsetEnvironment("LUMENRT_PROBE_LOG");
    std::remove(log_.c_str());
  }
  static void Empty() {
    for (int kind : {0, 1, 2, 4}) {
      while (lumenrt::UnloadPluginModule(kind)) {
      }
    }
    IPlugins* registry = instance();
    registry->loadedModules.clear();
    registry->loader.uses.clear();
    registry->modulePaths.clear();
  }
  // The exit lines the probe modules wrote so far.
  std::vector<std::string> Exits() const {
    std::ifstream in(log_);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }
  std::string log_;
};

TEST_F(Registry, StartsWithTheListedValues) {
  IPlugins* registry = instance();
  ASSERT_EQ(instance(), registry);
  EXPECT_TRUE(registry->loadedModules.empty());
  EXPECT_TRUE(registry->text.IsEmpty());
  EXPECT_TRUE(registry->firstNumbers.empty() && registry->secondNumbers.empty());
  EXPECT_EQ(registry->numberA, 0);
  EXPECT_TRUE(registry->enabled);
  EXPECT_EQ(registry->numberB, 0);
  EXPECT_EQ(registry->numberC, 4);
  EXPECT_EQ(registry->numberD, 5);
  EXPECT_EQ(registry->numberE, 0);
  EXPECT_EQ(registry->numberF, 0);
  EXPECT_TRUE(registry->unloadAllPlugins());
}

TEST_F(Registry, RefusedLoadsLeaveNothingBehind) {
  const std::string notAModule = std::string(LUMENRT_TEST_DATA_DIR) + "/config/global.cfg";
  const struct {
    int kind;
    const char* path;
    const char* message;  // a part of the exception's text
  } cases[] = {
      {3, kFactoryProbe, "module kind 3 cannot be loaded"},
      {5, kFactoryProbe, "module kind 5 cannot be loaded"},
      {-1, kExchProbe, "module kind -1 cannot be loaded"},
      {2, nullptr, "no module file given"},
      {0, "", "no module file given"},
      {0, "/nonexistent/lumenrt-module.so", "cannot be loaded as a module"},
      {2, notAModule.c_str(), "cannot be loaded as a module"},
      {0, kBareProbe, "exports none of the EXCH entry points"},
      {1, kExchProbe, "exports none of the EXCHMAPI entry points"},
      {0, kMapiProbe, "exports none of the EXCH entry points"},
      {4, kBareProbe, "exports no plugin_get_factory"},
      {2, kExchProbe, "exports no plugin_get_factory"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.kind) + " " + (c.path ? c.path : "(null)"));
    try {
      lumenrt::LoadPluginModule(c.kind, c.path);
      ADD_FAILURE() << "loaded";
    } catch (const Plugins::PluginException& e) {
      EXPECT_EQ(e.code, 1);
      EXPECT_NE(std::string(e.message).find(c.message), std::string::npos) << e.message;
    }
    EXPECT_EQ(FilledSlots(ExchEntryTable), 0);
    EXPECT_EQ(FilledSlots(MapiEntryTable), 0);
    EXPECT_TRUE(instance()->loadedModules.empty());
    EXPECT_TRUE(instance()->loader.uses.empty());
    if (c.path != nullptr && *c.path != '\0') {
      EXPECT_FALSE(lumenrt::platform::IsModuleLoaded(c.path));
    }
  }
}

TEST_F(Registry, LoadingFillsTheKindsTableAndHandsOutItsFactory) {
  const struct {
    int kind;
    const char* path;
    const lumenrt::EntryTable* table;
    int filled;
    const char* description;
  } cases[] = {
      {0, kExchProbe, &ExchEntryTable, 2, "MS Exchange Disaster Recovery Module."},
      {1, kMapiProbe, &MapiEntryTable, 1, "MS Exchange Mailbox module"},
      {2, kFactoryProbe, nullptr, 0, "Probe module factory."},
      {4, kFactoryProbe, nullptr, 0, "Probe module factory."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.kind);
    Plugins::IFactory* factory = lumenrt::LoadPluginModule(c.kind, c.path);
    ASSERT_NE(factory, nullptr);
    EXPECT_STREQ(factory->getDescription(), c.description);
    if (c.kind <= 1) {
      EXPECT_EQ(factory, lumenrt::BuiltInFactory(c.kind));
    }
    if (c.table != nullptr) {
      EXPECT_EQ(FilledSlots(*c.table), c.filled);
    }
    ASSERT_EQ(instance()->loadedModules.size(), 1u);
    EXPECT_EQ(instance()->loadedModules.front().kind, c.kind);
    EXPECT_EQ(instance()->loader.uses[c.kind].useCount, 1);
    EXPECT_TRUE(lumenrt::UnloadPluginModule(c.kind));
    EXPECT_FALSE(lumenrt::platform::IsModuleLoaded(c.path));
    if (c.table != nullptr) {
      EXPECT_EQ(FilledSlots(*c.table), 0);
    }
    EXPECT_TRUE(instance()->loadedModules.empty());
  }
  // The Exchange entry point was reachable through its slot while loaded.
  lumenrt::LoadPluginModule(0, kExchProbe);
  auto dispatch = reinterpret_cast<lumenrt::ExchDispatchFn>(ExchEntryTable.slots[lumenrt::kExchDispatch]);
  ASSERT_NE(dispatch, nullptr);
  EXPECT_EQ(dispatch(20, 0, 0, 0, 0, 0), 1020);
}

TEST_F(Registry, UnloadEmptiesTheEntryTableBeforeTheModuleIsFreed) {
  lumenrt::LoadPluginModule(0, kExchProbe);
  lumenrt::LoadPluginModule(1, kMapiProbe);
  lumenrt::LoadPluginModule(2, kFactoryProbe);
  ASSERT_TRUE(lumenrt::UnloadPluginModule(2));  // kind 2 clears no table
  ASSERT_TRUE(lumenrt::UnloadPluginModule(0));
  ASSERT_TRUE(lumenrt::UnloadPluginModule(1));
  const std::vector<std::string> expected = {
      "exit factory exch=filled mapi=filled",
      "exit exch exch=empty mapi=filled",
      "exit mapi exch=empty mapi=empty",
  };
  EXPECT_EQ(Exits(), expected);
}

TEST_F(Registry, UseCountKeepsTheModuleUntilItsLastHolderUnloads) {
  Plugins::IFactory* first = lumenrt::LoadPluginModule(2, kFactoryProbe);
  EXPECT_EQ(lumenrt::LoadPluginModule(2, kFactoryProbe), first);
  EXPECT_EQ(instance()->loader.uses[2].useCount, 2);
  EXPECT_EQ(instance()->loadedModules.size(), 1u);
  // The kind is taken: another file of that kind is refused and the loaded one stays.
  lumenrt::LoadPluginModule(0, kExchProbe);
  EXPECT_THROW(lumenrt::LoadPluginModule(0, kMapiProbe), Plugins::PluginException);
  EXPECT_EQ(FilledSlots(ExchEntryTable), 2);

  EXPECT_TRUE(lumenrt::UnloadPluginModule(2));
  EXPECT_TRUE(lumenrt::platform::IsModuleLoaded(kFactoryProbe));
  EXPECT_TRUE(lumenrt::UnloadPluginModule(2));
  EXPECT_FALSE(lumenrt::platform::IsModuleLoaded(kFactoryProbe));
  EXPECT_FALSE(lumenrt::UnloadPluginModule(2));
  EXPECT_FALSE(lumenrt::UnloadPluginModule(3));
}

TEST_F(Registry, UnloadAllReleasesInLoadOrderAndEmptiesTheList) {
  lumenrt::LoadPluginModule(0, kExchProbe);
  lumenrt::LoadPluginModule(1, kMapiProbe);
  lumenrt::LoadPluginModule(4, kFactoryProbe);
  EXPECT_TRUE(instance()->unloadAllPlugins());
  EXPECT_TRUE(instance()->loadedModules.empty());
  const std::vector<std::string> expected = {
      "exit exch exch=empty mapi=filled",
      "exit mapi exch=empty mapi=empty",
      "exit factory exch=empty mapi=empty",
  };
  EXPECT_EQ(Exits(), expected);
  // The use records left behind do not stand for loaded modules.
  EXPECT_FALSE(lumenrt::UnloadPluginModule(0));
  EXPECT_EQ(lumenrt::LoadPluginModule(0, kExchProbe), lumenrt::BuiltInFactory(0));
  EXPECT_EQ(FilledSlots(ExchEntryTable), 2);
}

TEST_F(Registry, AKindThreeRecordMakesUnloadAllRaiseByValueAndKeepsTheList) {
  lumenrt::LoadPluginModule(2, kFactoryProbe);
  instance()->loadedModules.push_back(LoadedModule{nullptr, 0, ORACLE_8I_SOLARIS});
  try {
    instance()->unloadAllPlugins();
    ADD_FAILURE() << "no exception";
  } catch (const ZError& e) {
    EXPECT_EQ(e.facility, 86);
    EXPECT_EQ(e.code, 4099);
    EXPECT_STREQ(e.text.c_str(), "UNKNOWN ERROR in unloadAllPlugins()");
  }
  EXPECT_EQ(instance()->loadedModules.size(), 2u);
  // The kind-2 module before it was released, and a second attempt frees nothing twice.
  EXPECT_FALSE(lumenrt::platform::IsModuleLoaded(kFactoryProbe));
  EXPECT_THROW(instance()->unloadAllPlugins(), ZError);
  EXPECT_EQ(Exits(), std::vector<std::string>{"exit factory exch=empty mapi=empty"});
}

// A module's own exception may need the module to be caught or ended. What leaves a factory function
// (in LoadPluginModule) or a host's call wrapped in CallIntoModule is a PluginException of the
// library's own instead, so the module may go while the handler runs.
TEST_F(Registry, WhatAModuleRaisesBecomesAPluginExceptionThatOutlivesTheModule) {
  const std::string unknown = " raised an exception of a type the library does not know.";
  const struct {
    const char* what;
    std::int32_t code;
    std::string text;  // after the call's name; a PluginException keeps its own text ("WHERE": the place)
  } raised[] = {
      {"custom", 1, unknown},         {"int", 1, unknown},
      {"std", 1, ": hostile WHERE"},  {"zerror", 1, ": error 86-4099: hostile WHERE"},
      {"plugin", 7, "hostile WHERE"},
  };
  const struct {
    std::string where, call;
    int kind;
  } places[] = {
      {"factory", "LoadPluginModule: plugin_get_factory of " + std::string(kHostile), 2},
      {"describe", "getDescription", 2},
      {"create", "createBackup", 2},
      {"call", "exch_dispatch", 0},  // the library's own adapter calls the module (queryModule)
  };
  for (const auto& place : places) {
    for (const auto& r : raised) {
      SCOPED_TRACE(place.where + " " + r.what);
      lumenrt::test::UnsetEnvironment("LUMENRT_HOSTILE");
      Plugins::IFactory* factory =
          place.where == "factory" ? nullptr : lumenrt::LoadPluginModule(place.kind, kHostile);
      Plugins::IBackup* backup = place.where == "call" ? factory->createBackup() : nullptr;
      lumenrt::test::SetEnvironment("LUMENRT_HOSTILE", (place.where + " " + r.what).c_str());
      try {
        char buffer[8] = {};
        std::int32_t length = 0;
        if (place.where == "factory") lumenrt::LoadPluginModule(2, kHostile);
        if (place.where == "describe")
          lumenrt::CallIntoModule("getDescription", [&] { return factory->getDescription(); });
        if (place.where == "create")
          lumenrt::CallIntoModule("createBackup", [&] { return factory->createBackup(); });
        if (place.where == "call") backup->queryModule(0, buffer, &length);
        ADD_FAILURE() << "nothing raised";
      } catch (const Plugins::PluginException& e) {
        if (backup != nullptr) factory->releaseBackup(backup);
        lumenrt::UnloadPluginModule(place.kind);
        EXPECT_FALSE(lumenrt::platform::IsModuleLoaded(kHostile));
        std::string text = r.code == 1 ? place.call + r.text : r.text;
        if (auto at = text.find("WHERE"); at != std::string::npos) text.replace(at, 5, place.where);
        EXPECT_EQ(e.code, r.code);
        EXPECT_EQ(std::string(e.message), text);
      }
      lumenrt::test::UnsetEnvironment("LUMENRT_HOSTILE");
      EXPECT_TRUE(instance()->loadedModules.empty());
    }
  }
}

#if !defined(_WIN32)
// A thread cancelled inside a module call unwinds as cancelled threads do, never turned into a
// PluginException (which would end the process).
TEST(CallIntoModule, LetsACancelledThreadUnwind) {
  pthread_t thread;
  ASSERT_EQ(pthread_create(
                &thread, nullptr,
                [](void*) -> void* {
                  pthread_cancel(pthread_self());
                  lumenrt::CallIntoModule("a cancellation point", [] {
                    pthread_testcancel();
                    return 0;
                  });
                  return nullptr;
                },
                nullptr),
            0);
  void* result = nullptr;
  ASSERT_EQ(pthread_join(thread, &result), 0);
  EXPECT_EQ(result, PTHREAD_CANCELED);
}
#endif

// A module whose release raises a PluginException (here the substituted loader's release) makes
// unloadAllPlugins raise a heap ZError with that text; the list keeps the module, whose entry table
// was emptied before the release was tried.
TEST_F(Registry, APluginExceptionWhileUnloadingAllBecomesAHeapZError) {
  class RefusingLoader : public lumenrt::platform::ModuleLoader {
   public:
    ModuleHandle Load(const char* name) override { return system_.Load(name); }
    void* FindSymbol(ModuleHandle module, const char* name) override {
      return system_.FindSymbol(module, name);
    }
    bool Release(ModuleHandle) override { throw Plugins::PluginException("the module would not go", 1); }
    bool IsLoaded(const char* name) override { return system_.IsLoaded(name); }

   private:
    lumenrt::platform::ModuleLoader& system_ = lumenrt::platform::SystemModuleLoader();
  } refusing;
  lumenrt::LoadPluginModule(0, kExchProbe);
  lumenrt::platform::ModuleLoader* previous = lumenrt::platform::SubstituteModuleLoader(&refusing);
  try {
    instance()->unloadAllPlugins();
    ADD_FAILURE() << "nothing raised";
  } catch (ZError* e) {
    EXPECT_EQ(e->facility, 86);
    EXPECT_EQ(e->code, 4099);
    EXPECT_STREQ(e->text.c_str(), "the module would not go");
    delete e;
  }
  lumenrt::platform::SubstituteModuleLoader(previous);
  EXPECT_EQ(instance()->loadedModules.size(), 1u);
  EXPECT_EQ(FilledSlots(ExchEntryTable), 0);
  EXPECT_TRUE(lumenrt::platform::IsModuleLoaded(kExchProbe));
}

TEST(PluginLoader, UnloadModuleRefusesKindsItCannotRelease) {
  for (int kind : {3, 5, -1, 200}) {
    SCOPED_TRACE(kind);
    PluginLoader loader;
    loader.uses[kind].useCount = 1;
    try {
      loader.unloadModule(nullptr, 0, kind);
      ADD_FAILURE() << "no exception";
    } catch (const ZError& e) {
      EXPECT_EQ(e.facility, 0);
      EXPECT_EQ(e.code, 0);
      EXPECT_TRUE(e.text.IsEmpty());
    }
  }
}

TEST(PluginLoader, ReleasesOnlyAtUseCountOne) {
  // A module loaded by the test itself: the loader must free it only when its count is exactly 1.
  for (int count : {0, 2, 1}) {
    SCOPED_TRACE(count);
    ModuleHandle module = lumenrt::platform::LoadModule(kFactoryProbe);
    ASSERT_NE(module, nullptr);
    PluginLoader loader;
    loader.uses[2].useCount = count;
    loader.unloadModule(module, 0, 2);
    loader.unloadModule(module, 0, 4);  // no record for kind 4: nothing happens
    EXPECT_EQ(lumenrt::platform::IsModuleLoaded(kFactoryProbe), count != 1);
    if (count != 1) lumenrt::platform::ReleaseModule(module);
  }
}

}  // namespace
