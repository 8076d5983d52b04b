#include "lumenrt/platform/registry_store.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

#include <gtest/gtest.h>
#include <sched.h>
#include <sqlite3.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/registry_store_cases.h"
#include "platform/registry_test_support.h"

namespace lumenrt {
namespace {

using testing::ScopedRegistry;

using test::Query;

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
  lumenrt::test::ExpectStoreRefusesMalformedNames();
}

TEST(RegistryStore, ListsSubkeysAndValues) {
  ScopedRegistry store;
  lumenrt::test::ExpectStoreListsKeys();
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

// Reading needs neither a directory the reader may write nor free space: a readable store is read
// whether or not another connection has its journal open, and writes are still refused.
TEST(RegistryStore, ReadsNeedNoWritableDirectory) {
  for (const bool journalOpen : {false, true}) {
    SCOPED_TRACE(journalOpen ? "journal open" : "journal closed");
    ScopedRegistry store;
    ASSERT_EQ(RegistryCreateKey("SOFTWARE"), 0);
    ASSERT_EQ(RegistrySetValue("SOFTWARE", "v", 1, "x", 1), 0);
    if (!journalOpen) testing::CloseStoreConnection();
    const int code = testing::RunWithReadOnlyStore(store.file(), [] {
      int error = 0;
      for (int i = 0; i < 2; ++i) {
        if (Query("SOFTWARE", "v", &error) != "x") return 10 + error;
        if (RegistryOpenKey("SOFTWARE") != 0 || RegistryOpenKey("SOFTWARE\\Missing") != ENOENT) return 2;
      }
      return RegistrySetValue("SOFTWARE", "v", 1, "y", 1) == EACCES ? 0 : 3;
    });
    EXPECT_EQ(code, 0) << "10 + the read's error, 2: keys, 3: the write";
  }
}

TEST(RegistryStore, ReadsNeedNoFreeSpace) {
  testing::TempDir dir;
  const std::string disk = dir.path() + "/disk";
  std::filesystem::create_directory(disk);
  ScopedRegistry store;
  std::cout.flush();
  const pid_t pid = fork();
  if (pid == 0) {
    if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_PRIVATE | MS_REC, nullptr) != 0 ||
        mount("lumenrt-test", disk.c_str(), "tmpfs", 0, "size=256k") != 0)
      _exit(77);
    platform::SetRegistryStorePath((disk + "/registry.db").c_str());
    if (RegistryCreateKey("K") != 0 || RegistrySetValue("K", "v", 1, "x", 1) != 0) _exit(1);
    testing::CloseStoreConnection();
    {
      std::ofstream filler(disk + "/filler", std::ios::binary);
      const std::string page(4096, 'f');
      while (filler.write(page.data(), static_cast<std::streamsize>(page.size())) && filler.flush()) {
      }
    }
    int error = 0;
    if (Query("K", "v", &error) != "x") _exit(10 + error);
    _exit(RegistrySetValue("K", "v", 1, "y", 1) != 0 ? 0 : 2);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == 77) GTEST_SKIP() << "needs root for a private mount namespace";
  EXPECT_EQ(WEXITSTATUS(status), 0)
      << "1: set-up, 10 + the read's error, 2: a write on a full disk succeeded";
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

// Runs SQL on the file through a connection of its own; false on any failure.
bool Exec(const std::string& file, const std::string& sql) {
  sqlite3* db = nullptr;
  bool ok = sqlite3_open(file.c_str(), &db) == SQLITE_OK &&
            sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
  sqlite3_close(db);
  return ok;
}

int ApplicationId(const std::string& file) {
  sqlite3* db = nullptr;
  sqlite3_stmt* s = nullptr;
  int id = -1;
  if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK &&
      sqlite3_prepare_v2(db, "PRAGMA application_id", -1, &s, nullptr) == SQLITE_OK &&
      sqlite3_step(s) == SQLITE_ROW)
    id = sqlite3_column_int(s, 0);
  sqlite3_finalize(s);
  sqlite3_close(db);
  return id;
}

// The store's tables as the library has always made them.
constexpr char kStoreTables[] =
    "CREATE TABLE keys(path TEXT NOT NULL PRIMARY KEY COLLATE NOCASE) WITHOUT ROWID;"
    "CREATE TABLE vals(key TEXT NOT NULL COLLATE NOCASE, name TEXT NOT NULL COLLATE NOCASE,"
    " type INTEGER NOT NULL, data BLOB NOT NULL, PRIMARY KEY(key, name)) WITHOUT ROWID;"
    "INSERT INTO keys VALUES(''), ('K'); INSERT INTO vals VALUES('K', 'v', 1, x'6f6c64');";

// Another application's database is refused as EIO by every operation and left byte for byte.
TEST(RegistryStore, ForeignDatabasesAreRefusedAndLeftAlone) {
  const struct {
    const char* what;
    std::string sql;
  } cases[] = {
      {"another application id", "PRAGMA application_id=1234; CREATE TABLE t(x)"},
      {"another application id, store tables", std::string("PRAGMA application_id=7;") + kStoreTables},
      {"other tables", "CREATE TABLE t(x); INSERT INTO t VALUES(1)"},
      {"store tables and more", std::string(kStoreTables) + "CREATE TABLE extra(x)"},
      {"store tables and an index", std::string(kStoreTables) + "CREATE INDEX i ON vals(type)"},
      {"a keys table of another shape", "CREATE TABLE keys(path TEXT); CREATE TABLE vals(x)"},
      {"half a store", "CREATE TABLE keys(path TEXT NOT NULL PRIMARY KEY COLLATE NOCASE) WITHOUT ROWID"},
      {"our id without the tables", "PRAGMA application_id=1280135751; CREATE TABLE t(x)"},
  };
  for (const auto& c : cases) {
    ScopedRegistry store;
    ASSERT_TRUE(Exec(store.file(), c.sql)) << c.what;
    const std::string before = testing::ReadFile(store.file());
    int error = 0;
    EXPECT_EQ(RegistryOpenKey("K"), EIO) << c.what;
    Query("K", "v", &error);
    EXPECT_EQ(error, EIO) << c.what;
    EXPECT_EQ(RegistryCreateKey("K\\New"), EIO) << c.what;
    EXPECT_EQ(RegistrySetValue("K", "v", 1, "new", 3), EIO) << c.what;
    EXPECT_EQ(RegistryOpenKey(""), EIO) << c.what;
    EXPECT_EQ(testing::ReadFile(store.file()), before) << c.what;
  }
}

// Another application's database in WAL mode, its last changes still in the journal: the journal is
// not folded into the file when the store lets go of it.
TEST(RegistryStore, AForeignJournalIsNotFoldedIn) {
  ScopedRegistry store;
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(store.file().c_str(), &db), SQLITE_OK);
  sqlite3_db_config(db, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
  ASSERT_EQ(sqlite3_exec(db, "PRAGMA journal_mode=WAL; CREATE TABLE t(x); INSERT INTO t VALUES(1)", nullptr,
                         nullptr, nullptr),
            SQLITE_OK);
  sqlite3_close(db);
  const std::string file = testing::ReadFile(store.file());
  const std::string journal = testing::ReadFile(store.file() + "-wal");
  ASSERT_FALSE(journal.empty());
  int error = 0;
  Query("K", "v", &error);
  EXPECT_EQ(error, EIO);
  EXPECT_EQ(RegistrySetValue("K", "v", 1, "x", 1), EIO);
  EXPECT_EQ(testing::ReadFile(store.file()), file);
  EXPECT_EQ(testing::ReadFile(store.file() + "-wal"), journal);
}

// A store written before stores carried the application id is read as it is, and stamped by the
// first write.
TEST(RegistryStore, EarlierStoresAreReadAndStamped) {
  ScopedRegistry store;
  ASSERT_TRUE(Exec(store.file(), std::string("PRAGMA journal_mode=WAL;") + kStoreTables));
  int error = 0;
  EXPECT_EQ(Query("k", "V", &error), "old");
  EXPECT_EQ(ApplicationId(store.file()), 0);
  EXPECT_EQ(RegistrySetValue("K", "w", 1, "new", 3), 0);
  EXPECT_EQ(ApplicationId(store.file()), 1280135751);
  EXPECT_EQ(Query("K", "v", &error), "old");
  EXPECT_EQ(Query("K", "w", &error), "new");

  // An empty file becomes a store.
  ScopedRegistry empty;
  testing::WriteFile(empty.file(), "");
  EXPECT_EQ(RegistryOpenKey("K"), ENOENT);
  EXPECT_EQ(RegistryCreateKey("K"), 0);
  EXPECT_EQ(ApplicationId(empty.file()), 1280135751);
}

// A store file that cannot be created because its directory is read-only answers EACCES (the
// database library alone would say the file does not exist).
TEST(RegistryStore, CreationInAReadOnlyDirectoryIsAccessDenied) {
  ScopedRegistry store;
  const std::string dir = std::filesystem::path(store.file()).parent_path();
  std::cout.flush();
  const pid_t pid = fork();
  if (pid == 0) {
    if (geteuid() == 0) {
      chmod(dir.c_str(), 0755);
      if (setgid(65534) != 0 || setuid(65534) != 0) _exit(125);
    } else if (chmod(dir.c_str(), 0555) != 0) {
      _exit(125);
    }
    const int created = RegistryCreateKey("K");
    const int set = RegistrySetValue("", "v", 1, "x", 1);
    _exit(created == EACCES && set == EACCES ? 0 : created == ENOENT ? 1 : 2);
  }
  int status = -1;
  waitpid(pid, &status, 0);
  chmod(dir.c_str(), 0700);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "1: ENOENT, 2: another code, 125: set-up";
  EXPECT_FALSE(std::filesystem::exists(store.file()));
}

}  // namespace
}  // namespace lumenrt
