#include "lumenrt/platform/registry_store.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>

#include "platform/registry_test_support.h"

namespace lumenrt {
namespace {

using testing::ScopedRegistry;

std::string Query(const char* key, const char* name, int* error, int* type = nullptr) {
  unsigned char data[64] = {};
  std::uint32_t size = sizeof data;
  int t = -1;
  *error = RegistryQueryValue(key, name, &t, data, &size);
  if (type != nullptr) *type = t;
  return *error == 0 ? std::string(reinterpret_cast<char*>(data), size) : std::string();
}

TEST(RegistryStore, MapsStoreFailuresToSystemCodes) {
  const struct {
    int sqlite, system, expected;
  } cases[] = {
      {SQLITE_OK, 0, 0},
      {SQLITE_READONLY, 0, EACCES},
      {SQLITE_READONLY_DBMOVED, 0, EACCES},
      {SQLITE_READONLY, EROFS, EROFS},
      {SQLITE_PERM, 0, EACCES},
      {SQLITE_FULL, 0, ENOSPC},
      {SQLITE_IOERR_WRITE, ENOSPC, ENOSPC},
      {SQLITE_IOERR_READ, 0, EIO},
      {SQLITE_BUSY, 0, EBUSY},
      {SQLITE_BUSY_SNAPSHOT, 0, EBUSY},
      {SQLITE_LOCKED, 0, EBUSY},
      {SQLITE_NOTADB, 0, EIO},
      {SQLITE_CORRUPT, 0, EIO},
      {SQLITE_CANTOPEN, EISDIR, EISDIR},
      {SQLITE_NOMEM, 0, ENOMEM},
  };
  for (const auto& c : cases)
    EXPECT_EQ(platform::sqlite::RegistryErrnoFromSqlite(c.sqlite, c.system), c.expected)
        << c.sqlite << "/" << c.system;
}

TEST(RegistryStore, LocationFollowsTheEnvironment) {
  const std::string home = std::getenv("HOME") != nullptr ? std::getenv("HOME") : "";
  const struct {
    const char *registry, *state, *expected;
  } cases[] = {
      {"/x/r.db", "/s", "/x/r.db"},
      {"", "/s", "/s/lumenrt/registry.db"},
      {nullptr, "relative", "HOME/.local/state/lumenrt/registry.db"},
      {nullptr, nullptr, "HOME/.local/state/lumenrt/registry.db"},
  };
  ScopedRegistry restore;
  platform::SetRegistryStorePath(nullptr);  // the environment decides
  const char* oldState = std::getenv("XDG_STATE_HOME");
  const std::string savedState = oldState != nullptr ? oldState : "";
  setenv("HOME", "/home/u", 1);
  for (const auto& c : cases) {
    c.registry ? setenv("LUMENRT_REGISTRY", c.registry, 1) : unsetenv("LUMENRT_REGISTRY");
    c.state ? setenv("XDG_STATE_HOME", c.state, 1) : unsetenv("XDG_STATE_HOME");
    std::string expected = c.expected;
    if (expected.rfind("HOME", 0) == 0) expected.replace(0, 4, "/home/u");
    EXPECT_EQ(RegistryStorePath(), expected);
  }
  // A path set through the interface comes first, ahead of $LUMENRT_REGISTRY.
  setenv("LUMENRT_REGISTRY", "/x/r.db", 1);
  platform::SetRegistryStorePath("/set/r.db");
  EXPECT_EQ(RegistryStorePath(), "/set/r.db");
  platform::SetRegistryStorePath("");
  EXPECT_EQ(RegistryStorePath(), "/x/r.db");
  oldState != nullptr ? setenv("XDG_STATE_HOME", savedState.c_str(), 1) : unsetenv("XDG_STATE_HOME");
  setenv("HOME", home.c_str(), 1);
}

TEST(RegistryStore, ReadsCreateNothingAndWritesCreateTheDirectory) {
  testing::TempDir dir;
  ScopedRegistry restore;
  const std::string file = dir / "sub/dir/registry.db";
  platform::SetRegistryStorePath(file.c_str());
  int error = 0;
  EXPECT_EQ(RegistryOpenKey("SOFTWARE"), ENOENT);
  EXPECT_EQ(RegistryOpenKey(""), 0);  // the root always exists
  Query("SOFTWARE", "v", &error);
  EXPECT_EQ(error, ENOENT);
  EXPECT_FALSE(std::filesystem::exists(dir / "sub"));
  EXPECT_EQ(RegistryCreateKey("SOFTWARE\\A"), 0);
  EXPECT_TRUE(std::filesystem::exists(file));
}

TEST(RegistryStore, KeysExistApartFromValuesAndIgnoreCase) {
  ScopedRegistry store;
  int error = 0, type = 0;
  ASSERT_EQ(RegistryCreateKey("Soft\\Orvane\\Agent"), 0);
  EXPECT_EQ(RegistryOpenKey("SOFT"), 0);  // parents are created
  EXPECT_EQ(RegistryOpenKey("soft\\ORVANE\\agent"), 0);
  EXPECT_EQ(RegistryOpenKey("Soft\\Other"), ENOENT);  // no such key
  Query("Soft\\Orvane\\Agent", "v", &error);
  EXPECT_EQ(error, ENOENT);  // no such value of an existing key
  EXPECT_EQ(RegistrySetValue("Soft\\Other", "v", 1, "x", 1), ENOENT);
  EXPECT_EQ(RegistryOpenKey("Soft\\Other"), ENOENT);

  ASSERT_EQ(RegistrySetValue("Soft\\Orvane\\Agent", "Name", 1, "abc", 3), 0);
  ASSERT_EQ(RegistrySetValue("SOFT\\orvane\\AGENT", "NAME", 3, "\x01\x00\x02", 3), 0);  // the same value
  EXPECT_EQ(Query("soft\\orvane\\agent", "name", &error, &type), std::string("\x01\x00\x02", 3));
  EXPECT_EQ(type, 3);
  ASSERT_EQ(RegistrySetValue("Soft", "", 4, "", 0), 0);  // the default value, empty
  EXPECT_EQ(Query("Soft", nullptr, &error, &type), "");
  EXPECT_EQ(error, 0);

  unsigned char small[2];
  std::uint32_t size = sizeof small;
  EXPECT_EQ(RegistryQueryValue("Soft\\Orvane\\Agent", "Name", &type, small, &size), ERANGE);
  EXPECT_EQ(size, 3u);
}

TEST(RegistryStore, RefusesMalformedNames) {
  ScopedRegistry store;
  const std::string longComponent(256, 'k');
  const struct {
    std::string key, name;
    int expected;
  } cases[] = {
      {"\\A", "v", EINVAL},
      {"A\\", "v", EINVAL},
      {"A\\\\B", "v", EINVAL},
      {"A\\" + longComponent, "v", ENAMETOOLONG},
      {"A", std::string(16384, 'n'), ENAMETOOLONG},
      {std::string(255, 'k'), std::string(16383, 'n'), 0},
  };
  for (const auto& c : cases) {
    const int created = RegistryCreateKey(c.key.c_str());
    const int set = created != 0 ? created : RegistrySetValue(c.key.c_str(), c.name.c_str(), 1, "x", 1);
    EXPECT_EQ(set, c.expected) << c.key.substr(0, 8);
  }
}

TEST(RegistryStore, DamagedFilesAnswerWithSystemCodes) {
  ScopedRegistry store;
  testing::WriteFile(store.file(), std::string(8192, 'G'));
  int error = 0;
  EXPECT_EQ(RegistryOpenKey("SOFTWARE"), EIO);
  Query("SOFTWARE", "v", &error);
  EXPECT_EQ(error, EIO);
  EXPECT_EQ(RegistryCreateKey("SOFTWARE"), EIO);
  EXPECT_EQ(RegistrySetValue("SOFTWARE", "v", 1, "x", 1), EIO);

  std::filesystem::remove(store.file());
  std::filesystem::create_directory(store.file());
  EXPECT_EQ(RegistryOpenKey("SOFTWARE"), EISDIR);
}

TEST(RegistryStore, ReadOnlyStoreRefusesWritesWithAccessDenied) {
  ScopedRegistry store;
  ASSERT_EQ(RegistryCreateKey("SOFTWARE"), 0);
  ASSERT_EQ(RegistrySetValue("SOFTWARE", "v", 1, "x", 1), 0);
  const int code = testing::RunWithReadOnlyStore(store.file(), [] {
    if (RegistrySetValue("SOFTWARE", "v", 1, "y", 1) != EACCES) return 1;
    return RegistryCreateKey("SOFTWARE\\New") == EACCES ? 0 : 2;
  });
  EXPECT_EQ(code, 0);
}

TEST(RegistryStore, FollowsTheLocationAndForks) {
  ScopedRegistry first;
  ASSERT_EQ(RegistryCreateKey("K"), 0);
  ASSERT_EQ(RegistrySetValue("K", "v", 1, "first", 5), 0);
  int error = 0;
  {
    ScopedRegistry second;
    EXPECT_EQ(RegistryOpenKey("K"), ENOENT);
  }
  EXPECT_EQ(Query("K", "v", &error), "first");

  // A child made while the connection is open opens its own and writes through it.
  const pid_t pid = fork();
  if (pid == 0) _exit(RegistrySetValue("K", "v", 1, "child", 5));
  int status = -1;
  waitpid(pid, &status, 0);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(Query("K", "v", &error), "child");
}

}  // namespace
}  // namespace lumenrt
