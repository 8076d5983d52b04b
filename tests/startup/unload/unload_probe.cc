// A host that loads the library at run time, uses it, and unloads it again, reporting on standard
// output what the library's exit list destroyed and in which order.
//
//   unload_probe LIBRARY [MODULE [KIND] | --idle | --log DIRECTORY]
//
// LIBRARY is liblumenrt.so (lumenrt.dll on Windows); MODULE (optional) a plug-in module, loaded as
// KIND (default 2, a module with its own factory) through the registry and left loaded, so that
// unloading the library must release it. With KIND the probe also shows the state of the library's
// two entry tables, while the module is in use and right after the registry is destroyed
// ("tables: exch=filled|empty mapi=filled|empty"). With --idle the probe only loads and unloads the
// library. With --log it loads the library, opens a log in DIRECTORY (the registry store there too)
// and unloads the library, 300 times, and prints "log: descriptors A B" and "log: mappings A B", the
// process's open descriptors and its mappings of shared memory and of the directory's files after the
// first and after the last round (Linux only). The probe does not link the library: everything is looked up
// by name, and the exit observer is a function of this program, so it can still print while the library goes
// away (on Windows, inside FreeLibrary: the library's globals go at its process detach).
//
// Output: "use: ..." lines while the library is used, one "exit: WHAT" line per destroyed object,
// then "library: unloaded|still loaded" and, with MODULE, "module: unloaded|still loaded".
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include <dirent.h>
#include <dlfcn.h>
#include <stdlib.h>
#endif
#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

#include "lumenrt/plugins/entry_table.h"
#include "lumenrt/plugins/ibackup.h"
#include "lumenrt/plugins/ifactory.h"

namespace {

using ExitObserver = void (*)(const char*);
using SetExitObserverFn = ExitObserver (*)(ExitObserver);
using InstanceFn = void* (*)();
using BuiltInFactoryFn = Plugins::IFactory* (*)(std::int32_t);
using LoadPluginModuleFn = Plugins::IFactory* (*)(std::int32_t, const char*);

// The library's entry tables, when the probe watches them.
const lumenrt::EntryTable* g_tables[2] = {nullptr, nullptr};

const char* TableState(const lumenrt::EntryTable* table) {
  for (void* slot : table->slots) {
    if (slot != nullptr) return "filled";
  }
  return "empty";
}

void PrintTables(const char* prefix) {
  if (g_tables[0] == nullptr || g_tables[1] == nullptr) return;
  std::printf("%s exch=%s mapi=%s\n", prefix, TableState(g_tables[0]), TableState(g_tables[1]));
}

void PrintExit(const char* what) {
  std::printf("exit: %s\n", what);
  // The registry has released its modules: the tables must be empty by now.
  if (std::strcmp(what, "plug-in registry") == 0) PrintTables("tables:");
  std::fflush(stdout);
}

// The system's run-time loader: open, look up, close, and whether a file is still loaded.
#ifdef _WIN32
using Library = HMODULE;
Library Open(const char* path) { return LoadLibraryA(path); }
void* Lookup(Library library, const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(library, name));
}
void Close(Library library) { FreeLibrary(library); }
std::string LoadError() { return "system error " + std::to_string(GetLastError()); }
// A module is known by its file name, whatever the form of the path it was loaded with.
bool StillLoaded(const char* path) {
  const char* name = path;
  for (const char* c = path; *c != '\0'; ++c)
    if (*c == '/' || *c == '\\') name = c + 1;
  return GetModuleHandleA(name) != nullptr;
}
#else
using Library = void*;
Library Open(const char* path) { return dlopen(path, RTLD_NOW | RTLD_LOCAL); }
void* Lookup(Library library, const char* name) { return dlsym(library, name); }
void Close(Library library) { dlclose(library); }
std::string LoadError() { return dlerror(); }
bool StillLoaded(const char* path) { return dlopen(path, RTLD_NOW | RTLD_NOLOAD) != nullptr; }
#endif

template <typename Fn>
Fn Find(Library library, const char* name) {
  void* address = Lookup(library, name);
  if (address == nullptr) std::printf("missing: %s\n", name);
  return reinterpret_cast<Fn>(address);
}

#ifndef _WIN32
// Entries of a directory of /proc/self, or lines of one of its files.
int CountDescriptors() {
  int count = 0;
  if (DIR* dir = opendir("/proc/self/fd")) {
    while (dirent* entry = readdir(dir)) count += entry->d_name[0] != '.';
    closedir(dir);
  }
  return count - 1;  // the directory's own descriptor
}
// The mappings of shared memory and of files in the log's directory (the writers' lock, the
// registry store's journal index): what an unload that forgot the log would leave. The rest of the
// map moves with the allocator (a sanitizer's own regions grow as it runs).
int CountMappings(const std::string& directory) {
  int count = 0;
  if (std::FILE* maps = std::fopen("/proc/self/maps", "r")) {
    char line[4096];
    while (std::fgets(line, sizeof line, maps) != nullptr) {
      const std::string text = line;
      count += text.find("/dev/shm/") != std::string::npos || text.find(directory) != std::string::npos;
    }
    std::fclose(maps);
  }
  return count;
}

int LogRounds(const char* libraryPath, const std::string& directory) {
  using LogOpenFn = int (*)(const char*, const char*, int);
  setenv("LUMENRT_REGISTRY", (directory + "/registry.db").c_str(), 1);
  constexpr int kRounds = 300;
  int descriptors = 0, mappings = 0;
  for (int round = 1; round <= kRounds; ++round) {
    const Library library = Open(libraryPath);
    if (library == nullptr) {
      std::printf("cannot load: %s\n", LoadError().c_str());
      return 1;
    }
    auto logOpen = Find<LogOpenFn>(library, "_Z7LogOpenPKcS0_i");
    if (logOpen == nullptr) return 1;
    if (logOpen((directory + "/").c_str(), "Unload", 0) != 1) std::printf("log: not opened\n");
    Close(library);
    if (round == 1) {
      descriptors = CountDescriptors();
      mappings = CountMappings(directory);
    }
  }
  std::printf("log: descriptors %d %d\n", descriptors, CountDescriptors());
  std::printf("log: mappings %d %d\n", mappings, CountMappings(directory));
  std::printf("library: %s\n", StillLoaded(libraryPath) ? "still loaded" : "unloaded");
  return 0;
}
#endif

}  // namespace

// Under LeakSanitizer: the UBSan runtime keeps one allocation from its own start-up, which is not
// this program's or the library's.
extern "C" const char* __lsan_default_suppressions() { return "leak:libubsan.so\n"; }
extern "C" const char* __lsan_default_options() { return "print_suppressions=0"; }

// The library keeps its platform service objects (and the log writer's state) for the whole life of
// the process, so that reports made while other globals are torn down still work; after dlclose they
// stay allocated, and their stacks can no longer be read. This probe proves the order of unloading,
// not the absence of those few retained objects, so it does not count what the library allocates.
#if defined(__SANITIZE_ADDRESS__)
#define PROBE_LEAK_CHECK_OFF() __lsan_disable()
#else
#define PROBE_LEAK_CHECK_OFF() ((void)0)
#endif

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: unload_probe LIBRARY [MODULE]\n");
    return 2;
  }
  const char* libraryPath = argv[1];
  const bool idle = argc > 2 && std::strcmp(argv[2], "--idle") == 0;
  if (argc > 3 && std::strcmp(argv[2], "--log") == 0) {
#ifdef _WIN32
    std::printf("log: not on this system\n");
    return 0;
#else
    PROBE_LEAK_CHECK_OFF();
    return LogRounds(libraryPath, argv[3]);
#endif
  }
  const char* modulePath = argc > 2 && !idle ? argv[2] : nullptr;
  const int kind = argc > 3 && modulePath != nullptr ? std::atoi(argv[3]) : 2;
  PROBE_LEAK_CHECK_OFF();
  const Library library = Open(libraryPath);
  if (library == nullptr) {
    std::printf("cannot load: %s\n", LoadError().c_str());
    return 1;
  }
  auto setObserver = Find<SetExitObserverFn>(library, "_ZN7lumenrt15SetExitObserverEPFvPKcE");
  auto registry = Find<InstanceFn>(library, "_Z8instancev");
  auto builtIn = Find<BuiltInFactoryFn>(library, "_ZN7lumenrt14BuiltInFactoryEi");
  auto load = Find<LoadPluginModuleFn>(library, "_ZN7lumenrt16LoadPluginModuleEiPKc");
  if (!setObserver || !registry || !builtIn || !load) return 1;
  setObserver(&PrintExit);
  if (idle) {
    Close(library);
    std::printf("library: %s\n", StillLoaded(libraryPath) ? "still loaded" : "unloaded");
    return 0;
  }

  std::printf("use: registry %s\n", registry() != nullptr && registry() == registry() ? "built" : "missing");
  if (modulePath != nullptr) {
    try {
      std::printf("use: module %s\n", load(kind, modulePath)->getDescription());
      if (argc > 3) {
        g_tables[0] = Find<const lumenrt::EntryTable*>(library, "ExchEntryTable");
        g_tables[1] = Find<const lumenrt::EntryTable*>(library, "MapiEntryTable");
        PrintTables("use: tables");
      }
    } catch (...) {
      std::printf("use: module refused\n");
    }
  }
  Plugins::IFactory* exchange = builtIn(0);
  Plugins::IBackup* backup = exchange->createBackup();
  void* found = nullptr;
  std::printf("use: search %d\n", backup->findNextObject(true, 0, 0, 0, &found) ? 1 : 0);
  exchange->releaseBackup(backup);
  std::fflush(stdout);

  Close(library);
  std::printf("library: %s\n", StillLoaded(libraryPath) ? "still loaded" : "unloaded");
  if (modulePath != nullptr)
    std::printf("module: %s\n", StillLoaded(modulePath) ? "still loaded" : "unloaded");
  return 0;
}
