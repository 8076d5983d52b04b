#include "lumenrt/platform/internal/registry_store_sqlite.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include <fcntl.h>
#include <pthread.h>
#include <pwd.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include "lumenrt/platform/internal/registry_names.h"
#include "lumenrt/platform/registry_store.h"

namespace lumenrt::platform::sqlite {
namespace {

constexpr int kBusyTimeoutMs = 5000;
constexpr int kApplicationId = 0x4C4D5247;  // marks our files

// The root key is the row with the empty path; values refer to their key by path. Both columns
// compare like registry names, without regard to ASCII case. The database keeps each table's
// statement as "CREATE TABLE " followed by these texts, which is how a store is recognised.
constexpr const char kKeysTable[] = "keys(path TEXT NOT NULL PRIMARY KEY COLLATE NOCASE) WITHOUT ROWID";
constexpr const char kValsTable[] =
    "vals(key TEXT NOT NULL COLLATE NOCASE, name TEXT NOT NULL COLLATE NOCASE,"
    " type INTEGER NOT NULL, data BLOB NOT NULL, PRIMARY KEY(key, name)) WITHOUT ROWID";
constexpr const char kCreateTables[] = "CREATE TABLE IF NOT EXISTS ";
constexpr const char kStamp[] = "PRAGMA application_id=1280135751; PRAGMA user_version=1;";
static_assert(kApplicationId == 1280135751);

// What a database file holds.
enum class Contents {
  kEmpty,    // nothing yet (a new or empty file): a write makes it a store
  kStore,    // a store: our application id and our two tables
  kEarlier,  // a store written before stores carried the application id (id 0, our two tables)
  kForeign,  // anything else: another application's id or other schema objects; never touched
};

enum Statement {
  kSelectKey,
  kSelectValue,
  kSetValue,
  kInsertKey,
  kSelectBelow,
  kSelectBelowRoot,
  kSelectNames,
  kStatementCount
};
constexpr const char* kStatementSql[kStatementCount] = {
    "SELECT 1 FROM keys WHERE path = ?1",
    "SELECT type, data FROM vals WHERE key = ?1 AND name = ?2",
    // Only under an existing key ("WHERE true" keeps the ON CONFLICT clause apart from the SELECT).
    ("INSERT INTO vals(key, name, type, data) SELECT path, ?2, ?3, ?4 FROM keys WHERE path = ?1 AND true"
     " ON CONFLICT(key, name) DO UPDATE SET type = excluded.type, data = excluded.data"),
    "INSERT OR IGNORE INTO keys(path) VALUES(?1)",
    // Every key below ?1: in the keys' order (ASCII case folded) they lie between "?1\" and "?1]".
    "SELECT path FROM keys WHERE path > ?1 || '\\' AND path < ?1 || ']'",
    "SELECT path FROM keys WHERE path <> ''",
    "SELECT name FROM vals WHERE key = ?1",
};

// How a connection reaches its file. Reads fall back to the later ones when the file cannot be used
// for writing (a directory the process may not write, a full file system): the journal's index
// file must be created or grown for a read-write connection, and for a read-only one too when the
// journal is missing.
enum class Access {
  kReadWrite,
  kReadOnly,   // no writes; the journal and its index are used where they exist
  kImmutable,  // the file alone, no locks: only when there is no journal with contents to miss
};

struct Connection {
  std::string path;
  sqlite3* db = nullptr;
  Access access = Access::kReadWrite;  // a connection other than read-write serves one read only
  bool schemaReady = false;            // the tables are there and ours, so values may be read
  bool stamped = false;                // the file carries our application id, so values may be written
  sqlite3_stmt* statements[kStatementCount] = {};
};

std::mutex storeMutex;
// Never destroyed: messages written while other globals are torn down still reach the store.
Connection& connection = *new Connection;  // guarded by storeMutex
bool inheritedByFork = false;              // guarded by storeMutex

void PrepareFork() { storeMutex.lock(); }
void ParentAfterFork() { storeMutex.unlock(); }
void ChildAfterFork() {
  inheritedByFork = connection.db != nullptr;
  storeMutex.unlock();
}

void CloseConnection() {
  for (sqlite3_stmt*& s : connection.statements) {
    sqlite3_finalize(s);
    s = nullptr;
  }
  sqlite3_close_v2(connection.db);
  connection.db = nullptr;
  connection.path.clear();
  connection.schemaReady = false;
  connection.stamped = false;
  connection.access = Access::kReadWrite;
}

// The last connection to close folds the journal back into the file and removes it.
void CloseAtExit() {
  const std::lock_guard<std::mutex> lock(storeMutex);
  CloseConnection();
}

std::unique_lock<std::mutex> LockStore() {
  static const bool registered = [] {
    pthread_atfork(PrepareFork, ParentAfterFork, ChildAfterFork);
    std::atexit(CloseAtExit);
    return true;
  }();
  (void)registered;
  return std::unique_lock<std::mutex>(storeMutex);
}

int ErrorOf(int rc) {
  return RegistryErrnoFromSqlite(rc, connection.db != nullptr ? sqlite3_system_errno(connection.db) : 0);
}

// Ends the transaction that BEGIN IMMEDIATE opened: commits when error is 0, else rolls back. The
// connection is closed after a failure, except when the store was only busy (or, with
// keepOnMissingKey, the key was missing), which leaves it sound. Answers 0 or the errno-style error.
int Finish(int error, bool keepOnMissingKey) {
  if (error == 0) {
    const int rc = sqlite3_exec(connection.db, "COMMIT", nullptr, nullptr, nullptr);
    if (rc == SQLITE_OK) return 0;
    error = ErrorOf(rc);
  }
  if (connection.db != nullptr) {
    sqlite3_exec(connection.db, "ROLLBACK", nullptr, nullptr, nullptr);
    if (error != EBUSY && !(keepOnMissingKey && error == ENOENT)) CloseConnection();
  }
  return error;
}

// Maps a failure and drops the connection unless the store was only busy, so that a replaced or
// repaired file is opened afresh by the next call.
int Fail(int rc) {
  const int error = ErrorOf(rc);
  if (error != EBUSY) CloseConnection();
  return error;
}

int MakeParentDirectories(const std::string& path) {
  for (std::size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1)) {
    const std::string dir = path.substr(0, slash);
    if (mkdir(dir.c_str(), 0777) != 0 && errno != EEXIST) return errno;
  }
  return 0;
}

// Judges the open database by its application id and schema objects; a SQLite result code.
int Inspect(Contents* contents) {
  sqlite3_stmt* s = nullptr;
  int rc = sqlite3_prepare_v2(connection.db, "PRAGMA application_id", -1, &s, nullptr);
  if (rc == SQLITE_OK) rc = sqlite3_step(s);
  const int id = rc == SQLITE_ROW ? sqlite3_column_int(s, 0) : 0;
  sqlite3_finalize(s);
  if (rc != SQLITE_ROW) return rc;

  s = nullptr;
  rc = sqlite3_prepare_v2(connection.db, "SELECT type, sql FROM sqlite_master", -1, &s, nullptr);
  const std::string keysSql = std::string("CREATE TABLE ") + kKeysTable;
  const std::string valsSql = std::string("CREATE TABLE ") + kValsTable;
  bool keys = false, vals = false, others = false;
  while (rc == SQLITE_OK || rc == SQLITE_ROW) {
    if ((rc = sqlite3_step(s)) != SQLITE_ROW) break;
    const auto* type = reinterpret_cast<const char*>(sqlite3_column_text(s, 0));
    const auto* sql = reinterpret_cast<const char*>(sqlite3_column_text(s, 1));
    const bool table = type != nullptr && std::strcmp(type, "table") == 0 && sql != nullptr;
    if (table && !keys && keysSql == sql) {
      keys = true;
    } else if (table && !vals && valsSql == sql) {
      vals = true;
    } else {
      others = true;
    }
  }
  sqlite3_finalize(s);
  if (rc != SQLITE_DONE) return rc;

  if (others || (id != 0 && id != kApplicationId) || keys != vals) {
    *contents = Contents::kForeign;
  } else if (keys) {
    *contents = id == kApplicationId ? Contents::kStore : Contents::kEarlier;
  } else {
    // Our id without the tables is no file this library writes: the id is set with the tables.
    *contents = id == 0 ? Contents::kEmpty : Contents::kForeign;
  }
  return SQLITE_OK;
}

// A database that is not ours is refused as EIO, and the connection is dropped without writing.
int RefuseForeign() {
  // Closing the last connection would fold another application's journal into its file.
  sqlite3_db_config(connection.db, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
  CloseConnection();
  return EIO;
}

int CheckSchema() {
  Contents contents = Contents::kForeign;
  if (const int rc = Inspect(&contents); rc != SQLITE_OK) return Fail(rc);
  if (contents == Contents::kForeign) return RefuseForeign();
  connection.schemaReady = contents == Contents::kStore || contents == Contents::kEarlier;
  connection.stamped = contents == Contents::kStore;
  return 0;
}

// Makes an empty file a store, or stamps a store of an earlier version with the application id.
// Judged again under the write lock: another process may have got there first.
int CreateSchema() {
  int rc = SQLITE_OK;
  if (!connection.schemaReady) {
    // Page size and journal mode are kept in the file; they are set once, before the first table.
    // Small pages keep each commit's journal frame small: a value write appends one frame.
    rc = sqlite3_exec(connection.db, "PRAGMA page_size=1024; PRAGMA journal_mode=WAL", nullptr, nullptr,
                      nullptr);
  }
  if (rc == SQLITE_OK) rc = sqlite3_exec(connection.db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
  Contents contents = Contents::kForeign;
  if (rc == SQLITE_OK) rc = Inspect(&contents);
  if (rc == SQLITE_OK && contents == Contents::kForeign) {
    sqlite3_exec(connection.db, "ROLLBACK", nullptr, nullptr, nullptr);
    return RefuseForeign();
  }
  if (rc == SQLITE_OK && contents == Contents::kEmpty) {
    const std::string tables = std::string(kCreateTables) + kKeysTable + ";" + kCreateTables + kValsTable +
                               ";INSERT OR IGNORE INTO keys(path) VALUES('');";
    rc = sqlite3_exec(connection.db, tables.c_str(), nullptr, nullptr, nullptr);
  }
  if (rc == SQLITE_OK && contents != Contents::kStore)
    rc = sqlite3_exec(connection.db, kStamp, nullptr, nullptr, nullptr);
  if (rc == SQLITE_OK) rc = sqlite3_exec(connection.db, "COMMIT", nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) {
    const int error = ErrorOf(rc);
    sqlite3_exec(connection.db, "ROLLBACK", nullptr, nullptr, nullptr);
    if (error != EBUSY) CloseConnection();
    return error;
  }
  connection.schemaReady = true;
  connection.stamped = true;
  return 0;
}

// Why a store file could not be created: the database library retries a failed creation read-only,
// so a directory the process may not write ends as "no such file". Tell the directory's refusal.
int CreationFailure(const std::string& path, int error) {
  if (error != ENOENT) return error;
  const std::size_t slash = path.rfind('/');
  const std::string dir = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  if (faccessat(AT_FDCWD, dir.c_str(), W_OK | X_OK, AT_EACCESS) != 0 && errno != ENOENT) return errno;
  return error;
}

// The file as a URI, for the read-only ways in: every byte but unreserved ones and '/' escaped.
std::string FileUri(const std::string& path, Access access) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string uri = "file:";
  for (const unsigned char c : path) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '/' || c == '-' ||
        c == '.' || c == '_' || c == '~') {
      uri += static_cast<char>(c);
    } else {
      uri += '%';
      uri += kHex[c >> 4];
      uri += kHex[c & 0x0F];
    }
  }
  return uri + (access == Access::kImmutable ? "?mode=ro&immutable=1" : "?mode=ro");
}

// Opens the connection to path and judges its contents; 0 or the errno-style error (the
// connection closed).
int Connect(const std::string& path, Access access, bool create) {
  sqlite3* db = nullptr;
  int rc;
  if (access == Access::kReadWrite) {
    const int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0) | SQLITE_OPEN_NOMUTEX;
    rc = sqlite3_open_v2(path.c_str(), &db, flags, nullptr);
  } else {
    rc = sqlite3_open_v2(FileUri(path, access).c_str(), &db,
                         SQLITE_OPEN_READONLY | SQLITE_OPEN_URI | SQLITE_OPEN_NOMUTEX, nullptr);
  }
  if (rc != SQLITE_OK) {
    const int error = RegistryErrnoFromSqlite(rc, db != nullptr ? sqlite3_system_errno(db) : 0);
    sqlite3_close_v2(db);
    return create ? CreationFailure(path, error) : error;
  }
  sqlite3_extended_result_codes(db, 1);
  sqlite3_busy_timeout(db, kBusyTimeoutMs);
  connection.db = db;
  connection.path = path;
  connection.access = access;
  if (access == Access::kReadWrite) {
    // Commits reach the operating system at once and the disk at checkpoints (every 1000 journal
    // frames). Longer journals would make each commit slower: every frame of the one page that a
    // value write changes lands in the same chain of the journal's index.
    rc = sqlite3_exec(db, "PRAGMA synchronous=NORMAL", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) return Fail(rc);
  }
  return CheckSchema();
}

// Failures that say the file cannot be used for writing, which a read need not mind.
bool WriteOnlyFailure(int error) {
  return error == EACCES || error == EPERM || error == EROFS || error == ENOSPC || error == EDQUOT;
}

// Whether the journal beside path holds something (or cannot be examined): then the file alone is
// not the store's whole content.
bool JournalMayHoldContents(const std::string& path) {
  struct stat st {};
  if (stat((path + "-wal").c_str(), &st) == 0) return st.st_size > 0;
  return errno != ENOENT;
}

// Opens the connection for the current location. Without a store file a read answers ENOENT and
// creates nothing; a write creates the directory, the file and the tables.
int OpenStore(bool forWrite) {
  if (inheritedByFork) {
    // A connection must not be used across fork; the parent keeps its own.
    CloseConnection();
    inheritedByFork = false;
  }
  if (forWrite && connection.db != nullptr && connection.access != Access::kReadWrite) CloseConnection();
  // The common case without building the location: the same $LUMENRT_REGISTRY as last time.
  if (connection.db != nullptr && (forWrite ? connection.stamped : connection.schemaReady)) {
    const std::string set = SetRegistryStorePathValue();
    const char* env = set.empty() ? std::getenv("LUMENRT_REGISTRY") : set.c_str();
    if (env != nullptr && *env != '\0' && connection.path == env) return 0;
  }
  const std::string path = RegistryStorePath();
  if (path.empty()) return ENOENT;
  if (connection.db != nullptr && connection.path != path) CloseConnection();
  if (connection.db == nullptr) {
    struct stat st {};
    if (!forWrite && stat(path.c_str(), &st) != 0) return errno;
    if (forWrite) {
      if (int error = MakeParentDirectories(path); error != 0) return error;
    }
    int error = Connect(path, Access::kReadWrite, forWrite);
    if (!forWrite && WriteOnlyFailure(error)) {
      const int readWriteError = error;
      error = Connect(path, Access::kReadOnly, false);
      if (WriteOnlyFailure(error) && !JournalMayHoldContents(path))
        error = Connect(path, Access::kImmutable, false);
      if (error != 0 && error != EIO) error = readWriteError;
    }
    if (error != 0) return error;
  } else if (!connection.schemaReady) {
    if (int error = CheckSchema(); error != 0) return error;
  }
  if (forWrite && !connection.stamped) return CreateSchema();
  return 0;
}

// Ends a read: a connection other than read-write is not kept, so that the next call uses the
// store's journal again once it can.
int EndRead(int error) {
  if (connection.db != nullptr && connection.access != Access::kReadWrite) CloseConnection();
  return error;
}

// The cached statement, reset and ready for binding; null with *error set when it cannot be prepared.
sqlite3_stmt* Prepared(Statement which, int* error) {
  sqlite3_stmt*& s = connection.statements[which];
  if (s == nullptr) {
    const int rc =
        sqlite3_prepare_v3(connection.db, kStatementSql[which], -1, SQLITE_PREPARE_PERSISTENT, &s, nullptr);
    if (rc != SQLITE_OK) {
      sqlite3_finalize(s);
      s = nullptr;
      *error = Fail(rc);
      return nullptr;
    }
  }
  return s;
}

// Steps a statement once; SQLITE_ROW, SQLITE_DONE or the failure. The statement is reset by Done.
int StepOnce(sqlite3_stmt* s) { return sqlite3_step(s); }

// Every parameter is bound again before each use, so the bindings need no clearing.
void Done(sqlite3_stmt* s) { sqlite3_reset(s); }

void BindText(sqlite3_stmt* s, int index, std::string_view text) {
  sqlite3_bind_text(s, index, text.data(), static_cast<int>(text.size()), SQLITE_STATIC);
}

// 0 when the key exists, ENOENT when not; the store is open.
int SelectKey(std::string_view key) {
  int error = 0;
  sqlite3_stmt* s = Prepared(kSelectKey, &error);
  if (s == nullptr) return error;
  BindText(s, 1, key);
  const int rc = StepOnce(s);
  Done(s);
  if (rc == SQLITE_ROW) return 0;
  if (rc == SQLITE_DONE) return ENOENT;
  return Fail(rc);
}

}  // namespace

std::string RegistryStorePath() {
  if (std::string set = SetRegistryStorePathValue(); !set.empty()) return set;
  if (const char* path = std::getenv("LUMENRT_REGISTRY"); path != nullptr && *path != '\0') return path;
  if (const char* state = std::getenv("XDG_STATE_HOME"); state != nullptr && state[0] == '/')
    return std::string(state) + "/lumenrt/registry.db";
  std::string home;
  if (const char* h = std::getenv("HOME"); h != nullptr && *h != '\0') {
    home = h;
  } else {
    passwd entry{};
    passwd* found = nullptr;
    char buffer[4096];
    if (getpwuid_r(getuid(), &entry, buffer, sizeof buffer, &found) == 0 && found != nullptr &&
        found->pw_dir != nullptr)
      home = found->pw_dir;
  }
  if (home.empty()) return {};
  return home + "/.local/state/lumenrt/registry.db";
}

int RegistryErrnoFromSqlite(int sqliteCode, int systemErrno) {
  switch (sqliteCode & 0xFF) {
    case SQLITE_OK:
      return 0;
    case SQLITE_READONLY:
      return systemErrno == EROFS ? EROFS : EACCES;
    case SQLITE_PERM:
    case SQLITE_AUTH:
      return EACCES;
    case SQLITE_FULL:
      return ENOSPC;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
    case SQLITE_PROTOCOL:
      return EBUSY;
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT:
    case SQLITE_FORMAT:
      return EIO;
    case SQLITE_NOMEM:
      return ENOMEM;
    case SQLITE_TOOBIG:
    case SQLITE_NOLFS:
      return EFBIG;
    case SQLITE_RANGE:
    case SQLITE_MISUSE:
    case SQLITE_MISMATCH:
    case SQLITE_CONSTRAINT:
      return EINVAL;
    case SQLITE_IOERR:
      if (sqliteCode == SQLITE_IOERR_NOMEM) return ENOMEM;
      return systemErrno != 0 ? systemErrno : EIO;
    case SQLITE_CANTOPEN:
      return systemErrno != 0 ? systemErrno : EIO;
    default:
      return EIO;
  }
}

int RegistryOpenKey(const char* keyPath) {
  const std::string_view key = keyPath != nullptr ? keyPath : "";
  if (int error = CheckKeyPath(key); error != 0) return error;
  const auto lock = LockStore();
  int error = OpenStore(false);
  if (error == 0) error = EndRead(connection.schemaReady ? SelectKey(key) : ENOENT);
  // The root exists even before the store file does.
  return error == ENOENT && key.empty() ? 0 : error;
}

int RegistryCreateKey(const char* keyPath) {
  const std::string_view key = keyPath != nullptr ? keyPath : "";
  if (int error = CheckKeyPath(key); error != 0) return error;
  const auto lock = LockStore();
  if (int error = OpenStore(true); error != 0) return error;
  if (int error = SelectKey(key); error != ENOENT) return error;

  int rc = sqlite3_exec(connection.db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) return Fail(rc);
  int error = 0;
  sqlite3_stmt* s = Prepared(kInsertKey, &error);
  // Every prefix that ends before a backslash is a parent key.
  for (std::size_t end = 0; s != nullptr && error == 0; ++end) {
    end = key.find('\\', end);
    BindText(s, 1, key.substr(0, end));
    rc = StepOnce(s);
    Done(s);
    if (rc != SQLITE_DONE) error = ErrorOf(rc);
    if (end == std::string_view::npos) break;
  }
  return Finish(error, /*keepOnMissingKey=*/false);
}

namespace {

// One value read with the store open and locked.
int QueryValue(std::string_view key, std::string_view name, int* type, unsigned char* data,
               std::uint32_t* size) {
  if (!connection.schemaReady) return ENOENT;
  int error = 0;
  sqlite3_stmt* s = Prepared(kSelectValue, &error);
  if (s == nullptr) return error;
  BindText(s, 1, key);
  BindText(s, 2, name);
  const int rc = StepOnce(s);
  if (rc == SQLITE_ROW) {
    const sqlite3_int64 storedType = sqlite3_column_int64(s, 0);
    const void* blob = sqlite3_column_blob(s, 1);
    const int bytes = sqlite3_column_bytes(s, 1);
    *type = static_cast<int>(static_cast<std::uint32_t>(storedType));
    const std::uint32_t room = *size;
    *size = static_cast<std::uint32_t>(bytes);
    if (static_cast<std::uint32_t>(bytes) > room) {
      error = ERANGE;
    } else if (bytes > 0) {
      std::memcpy(data, blob, static_cast<std::size_t>(bytes));
    }
    Done(s);
    return error;
  }
  Done(s);
  if (rc == SQLITE_DONE) return ENOENT;
  return Fail(rc);
}

}  // namespace

int RegistryQueryValue(const char* keyPath, const char* valueName, int* type, unsigned char* data,
                       std::uint32_t* size) {
  const std::string_view key = keyPath != nullptr ? keyPath : "";
  const std::string_view name = valueName != nullptr ? valueName : "";
  if (int error = CheckKeyPath(key); error != 0) return error;
  if (int error = CheckValueName(name); error != 0) return error;
  if (size == nullptr || type == nullptr || (data == nullptr && *size != 0)) return EINVAL;
  const auto lock = LockStore();
  if (int error = OpenStore(false); error != 0) return error;
  return EndRead(QueryValue(key, name, type, data, size));
}

namespace {

// One value write with the store open and locked: 0, ENOENT when the key does not exist, else the
// failure (the connection dropped by Fail as usual).
int SetOne(std::string_view key, std::string_view name, int type, const void* data, std::uint32_t size) {
  int error = 0;
  sqlite3_stmt* s = Prepared(kSetValue, &error);
  if (s == nullptr) return error;
  static constexpr unsigned char kEmpty = 0;
  BindText(s, 1, key);
  BindText(s, 2, name);
  sqlite3_bind_int64(s, 3, static_cast<std::uint32_t>(type));
  // A value above the store's length limit (10^9 bytes) is refused here, as EFBIG.
  if (const int bound =
          sqlite3_bind_blob(s, 4, size != 0 ? data : &kEmpty, static_cast<int>(size), SQLITE_STATIC);
      bound != SQLITE_OK) {
    Done(s);
    return RegistryErrnoFromSqlite(bound, 0);
  }
  const int rc = StepOnce(s);
  Done(s);
  if (rc != SQLITE_DONE) return Fail(rc);
  return sqlite3_changes(connection.db) > 0 ? 0 : ENOENT;
}

}  // namespace

int RegistrySetValue(const char* keyPath, const char* valueName, int type, const void* data,
                     std::uint32_t size) {
  const std::string_view key = keyPath != nullptr ? keyPath : "";
  const std::string_view name = valueName != nullptr ? valueName : "";
  if (int error = CheckKeyPath(key); error != 0) return error;
  if (int error = CheckValue(name, data, size); error != 0) return error;
  const auto lock = LockStore();
  if (int error = OpenStore(true); error != 0) return error;
  return SetOne(key, name, type, data, size);
}

int RegistrySetValues(const char* keyPath, const RegistryValueData* values, std::size_t count) {
  const std::string_view key = keyPath != nullptr ? keyPath : "";
  if (int error = CheckValues(key, values, count); error != 0) return error;
  const auto lock = LockStore();
  if (int error = OpenStore(true); error != 0) return error;

  int rc = sqlite3_exec(connection.db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) return Fail(rc);
  int error = 0;
  for (std::size_t i = 0; i < count && error == 0; ++i)
    error = SetOne(key, values[i].name != nullptr ? values[i].name : "", values[i].type, values[i].data,
                   values[i].size);
  return Finish(error, /*keepOnMissingKey=*/true);
}

namespace {

// Appends the first column of every row of the bound statement; for key paths (keysBelow) the part
// past their first `skip` bytes, when that holds no backslash (a direct subkey). 0 or the failure.
int CollectNames(sqlite3_stmt* s, bool keysBelow, std::size_t skip, std::vector<std::string>* names) {
  int rc;
  while ((rc = StepOnce(s)) == SQLITE_ROW) {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(s, 0));
    const std::string_view name(text != nullptr ? text : "",
                                static_cast<std::size_t>(sqlite3_column_bytes(s, 0)));
    if (keysBelow && (name.size() < skip || name.find('\\', skip) != std::string_view::npos)) continue;
    names->emplace_back(name.substr(skip));
  }
  Done(s);
  return rc == SQLITE_DONE ? 0 : Fail(rc);
}

// Lists a key with the store open and locked.
int ListKey(std::string_view key, std::vector<std::string>* subkeys, std::vector<std::string>* valueNames) {
  if (!connection.schemaReady) return key.empty() ? 0 : ENOENT;
  if (int error = SelectKey(key); error != 0) return error;
  int error = 0;
  sqlite3_stmt* below = Prepared(key.empty() ? kSelectBelowRoot : kSelectBelow, &error);
  if (below == nullptr) return error;
  if (!key.empty()) BindText(below, 1, key);
  if (error = CollectNames(below, true, key.empty() ? 0 : key.size() + 1, subkeys); error != 0) return error;
  sqlite3_stmt* names = Prepared(kSelectNames, &error);
  if (names == nullptr) return error;
  BindText(names, 1, key);
  return CollectNames(names, false, 0, valueNames);
}

}  // namespace

int RegistryListKey(const char* keyPath, std::vector<std::string>* subkeys,
                    std::vector<std::string>* valueNames) {
  const std::string_view key = keyPath != nullptr ? keyPath : "";
  if (int error = CheckKeyPath(key); error != 0) return error;
  if (subkeys == nullptr || valueNames == nullptr) return EINVAL;
  subkeys->clear();
  valueNames->clear();
  const auto lock = LockStore();
  if (int error = OpenStore(false); error != 0) return error == ENOENT && key.empty() ? 0 : error;
  return EndRead(ListKey(key, subkeys, valueNames));
}

}  // namespace lumenrt::platform::sqlite

// The system's store on this system: the operations above.
namespace lumenrt::platform {
namespace {

class SqliteRegistryStore final : public RegistryStore {
 public:
  std::string StorePath() override { return sqlite::RegistryStorePath(); }
  int OpenKey(const char* keyPath) override { return sqlite::RegistryOpenKey(keyPath); }
  int CreateKey(const char* keyPath) override { return sqlite::RegistryCreateKey(keyPath); }
  int QueryValue(const char* keyPath, const char* valueName, int* type, unsigned char* data,
                 std::uint32_t* size) override {
    return sqlite::RegistryQueryValue(keyPath, valueName, type, data, size);
  }
  int SetValue(const char* keyPath, const char* valueName, int type, const void* data,
               std::uint32_t size) override {
    return sqlite::RegistrySetValue(keyPath, valueName, type, data, size);
  }
  int SetValues(const char* keyPath, const RegistryValueData* values, std::size_t count) override {
    return sqlite::RegistrySetValues(keyPath, values, count);
  }
  int ListKey(const char* keyPath, std::vector<std::string>* subkeys,
              std::vector<std::string>* valueNames) override {
    return sqlite::RegistryListKey(keyPath, subkeys, valueNames);
  }
};

}  // namespace

RegistryStore& SystemRegistryStore() {
  static auto* store = new SqliteRegistryStore;
  return *store;
}

}  // namespace lumenrt::platform
