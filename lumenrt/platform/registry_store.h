// The registry store: keys and values below the local machine root. On Windows they are the system's
// registry (see "On Windows" below); elsewhere they are kept in a SQLite 3 database file that several
// processes share at once, as the following paragraphs up to "Keys are" describe.
//
// Location: the path set with SetRegistryStorePath when there is one, else $LUMENRT_REGISTRY when
// set and not empty (the user's override), else $XDG_STATE_HOME/lumenrt/registry.db, else
// ~/.local/state/lumenrt/registry.db. The directory and the file are created by the first write;
// reads never create them (without a file every key is missing).
//
// A store file carries its own application id and exactly the store's two tables. Any other database
// (another application id, other tables or indexes) is refused as EIO and left as it is; an empty
// file becomes a store on the first write. Stores written before the id was set (id 0, the store's
// tables only) are read as they are and stamped with the id by the first write.
//
// Reads need neither free space nor a directory the process may write: when the store cannot be
// opened for writing, a read opens it read-only, and when the journal's index cannot be made either,
// it reads the file alone, provided no journal holds contents that the file lacks.
//
// On Windows the location is a registry key that stands in for the root: the text set with
// SetRegistryStorePath, else %LUMENRT_REGISTRY%, names a key below HKEY_LOCAL_MACHINE (or below
// HKEY_CURRENT_USER when it starts with "HKEY_CURRENT_USER\" or "HKCU\"); without either the root is
// HKEY_LOCAL_MACHINE itself. Forward slashes count as backslashes and empty components are dropped, so a
// file path names a private key as well. RegistryStorePath answers the key, for example
// "HKEY_LOCAL_MACHINE\SOFTWARE\lumenrt-test". Several values set together are set under a named mutex
// of the store, which every operation takes: no reader or writer of this library sees half of them,
// and a failed value puts the earlier ones back; the registry has no transactions, so a process killed
// between two writes leaves the earlier ones set. EBUSY means that mutex was held for 5 seconds.
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
// may point the store elsewhere) and after a failure other than EBUSY; a child process made
// by fork opens its own. Database: WAL journal, synchronous NORMAL, a 5-second busy timeout, cached
// prepared statements; one value write is one autocommit UPSERT.
//
// Thread safety: the operations take a process-wide lock and may run on any thread.
//
// The functions go through the RegistryStore in use: the system's (SQLite) unless a test substitutes
// its own (SubstituteRegistryStore). Substituting is for start-up and tests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "lumenrt/platform/export.h"

namespace lumenrt::platform {

// One value of a RegistrySetValues call.
struct RegistryValueData {
  const char* name = nullptr;
  int type = 0;
  const void* data = nullptr;
  std::uint32_t size = 0;
};

class LUMENRT_EXPORT RegistryStore {
 public:
  virtual ~RegistryStore();
  // The operations below, in the same order and with the same answers.
  virtual std::string StorePath() = 0;
  virtual int OpenKey(const char* keyPath) = 0;
  virtual int CreateKey(const char* keyPath) = 0;
  virtual int QueryValue(const char* keyPath, const char* valueName, int* type, unsigned char* data,
                         std::uint32_t* size) = 0;
  virtual int SetValue(const char* keyPath, const char* valueName, int type, const void* data,
                       std::uint32_t size) = 0;
  // By default one SetValue after another (not atomic); the system's store writes them in one
  // transaction.
  virtual int SetValues(const char* keyPath, const RegistryValueData* values, std::size_t count);
  // By default ENOSYS: a store that cannot enumerate its keys.
  virtual int ListKey(const char* keyPath, std::vector<std::string>* subkeys,
                      std::vector<std::string>* valueNames);
};

// The system's store. Never destroyed.
LUMENRT_EXPORT RegistryStore& SystemRegistryStore();
// The store in use: the substitute when one is set, else the system's.
LUMENRT_EXPORT RegistryStore& CurrentRegistryStore();
// Sets the store in use (null restores the system's); returns the previous substitute. The caller
// keeps ownership.
LUMENRT_EXPORT RegistryStore* SubstituteRegistryStore(RegistryStore* store);

// Sets where the system's store lives from now on, ahead of $LUMENRT_REGISTRY (for hosts and tests;
// null or empty returns to the environment's choice). Thread-safe.
LUMENRT_EXPORT void SetRegistryStorePath(const char* path);

// Where the store lives now (see above); empty when neither a set path, the variables nor a home
// directory is known.
LUMENRT_EXPORT std::string RegistryStorePath();

// 0 when the key exists, ENOENT when it (or the store file) does not, else an errno value.
LUMENRT_EXPORT int RegistryOpenKey(const char* keyPath);

// Creates the key and its missing parents. 0 when the key exists afterwards, else an errno value.
LUMENRT_EXPORT int RegistryCreateKey(const char* keyPath);

// Reads a value. *size holds the room of data on entry (data may be null when *size is 0) and the
// value's size on return. 0 with type and bytes set; ERANGE when the value does not fit (the size
// still set, type set, data untouched); ENOENT when the value or the store file does not exist; else
// an errno value. The key is not checked: a value of a missing key is missing.
LUMENRT_EXPORT int RegistryQueryValue(const char* keyPath, const char* valueName, int* type,
                                      unsigned char* data, std::uint32_t* size);

// Sets a value of an existing key (RegistryCreateKey first); ENOENT when the key does not exist.
// size above 0x7FFFFFFF is EINVAL.
LUMENRT_EXPORT int RegistrySetValue(const char* keyPath, const char* valueName, int type, const void* data,
                                    std::uint32_t size);

// Sets several values of one existing key in one transaction: after a crash either all of them or
// none has changed. Answers as RegistrySetValue; on failure none is set (ENOENT when the key does not
// exist, EINVAL for a null list with count above 0 or a value as RegistrySetValue refuses it).
LUMENRT_EXPORT int RegistrySetValues(const char* keyPath, const RegistryValueData* values, std::size_t count);

// The names of the key's direct subkeys (the last component of each path, as created) and of its
// values ("" for the default value), each list sorted by name compared byte by byte with ASCII
// letters folded to lower case, so that every system lists a key alike. 0 with both lists replaced;
// ENOENT when the key does not exist (the root always exists: without a store file it is empty); else
// an errno value, the lists then unspecified. Either list may be null when it is not wanted.
LUMENRT_EXPORT int RegistryListKey(const char* keyPath, std::vector<std::string>* subkeys,
                                   std::vector<std::string>* valueNames);

}  // namespace lumenrt::platform

// The store's names as callers above the platform know them.
namespace lumenrt {
using platform::RegistryCreateKey;
using platform::RegistryListKey;
using platform::RegistryOpenKey;
using platform::RegistryQueryValue;
using platform::RegistrySetValue;
using platform::RegistrySetValues;
using platform::RegistryStorePath;
using platform::RegistryValueData;
}  // namespace lumenrt
