// The registry store: keys and values below the local machine root, kept in a SQLite 3 database
// file that several processes share at once.
//
// Location: $LUMENRT_REGISTRY when set and not empty, else $XDG_STATE_HOME/lumenrt/registry.db, else
// ~/.local/state/lumenrt/registry.db. The directory and the file are created by the first write;
// reads never create them (without a file every key is missing).
//
// A store file carries its own application id and exactly the store's two tables. Any other database
// (another application id, other tables or indexes) is refused as EIO and left as it is; an empty
// file becomes a store on the first write. Stores written before the id was set (id 0, the store's
// tables only) are read as they are and stamped with the id by the first write.
//
// Keys are backslash-separated paths ("SOFTWARE\Orvane\Lumenhold\Agent"); the empty path is the root,
// which always exists. Creating a key creates its missing parents, as the registry does. Keys exist
// on their own, without values, and key paths and value names compare without regard to the case of
// ASCII letters. A value has a registry type code and a run of bytes (possibly empty); the empty
// value name is a key's default value. A key path may not begin or end with a backslash nor hold two
// in a row (EINVAL); a path component may have 255 characters, a value name 16383 (ENAMETOOLONG).
//
// Every operation answers 0 or an errno value: ENOENT for a missing key or value, ERANGE when a
// value does not fit the caller's buffer, EACCES for a read-only or forbidden store, ENOSPC for a
// full disk, EBUSY when other processes hold the store longer than the busy timeout, EIO for a file
// that is not a database, not a store or is corrupt, and the system's own code for other I/O failures.
// A store file that cannot be created in a directory the process may not write answers EACCES.
//
// Connection: one per process, opened on first use, reopened when the location changes (so a test
// may point $LUMENRT_REGISTRY elsewhere) and after a failure other than EBUSY; a child process made
// by fork opens its own. Database: WAL journal, synchronous NORMAL, a 5-second busy timeout, cached
// prepared statements; one value write is one autocommit UPSERT.
//
// Thread safety: the operations take a process-wide lock and may run on any thread.
#pragma once

#include <cstdint>
#include <string>

namespace lumenrt {

// Where the store lives now (see above); empty when neither variable nor a home directory is known.
std::string RegistryStorePath();

// 0 when the key exists, ENOENT when it (or the store file) does not, else an errno value.
int RegistryOpenKey(const char* keyPath);

// Creates the key and its missing parents. 0 when the key exists afterwards, else an errno value.
int RegistryCreateKey(const char* keyPath);

// Reads a value. *size holds the room of data on entry (data may be null when *size is 0) and the
// value's size on return. 0 with type and bytes set; ERANGE when the value does not fit (the size
// still set, type set, data untouched); ENOENT when the value or the store file does not exist; else
// an errno value. The key is not checked: a value of a missing key is missing.
int RegistryQueryValue(const char* keyPath, const char* valueName, int* type, unsigned char* data,
                       std::uint32_t* size);

// Sets a value of an existing key (RegistryCreateKey first); ENOENT when the key does not exist.
// size above 0x7FFFFFFF is EINVAL.
int RegistrySetValue(const char* keyPath, const char* valueName, int type, const void* data,
                     std::uint32_t size);

// errno value for a SQLite result code (primary or extended), given the system error code SQLite
// saw (0 if none): read-only and permission results give EACCES, a full disk ENOSPC, busy or locked
// EBUSY, not a database or corrupt EIO, I/O and open failures the system code when there is one.
int RegistryErrnoFromSqlite(int sqliteCode, int systemErrno);

}  // namespace lumenrt
