// The registry store on Windows: the system's registry, through RegOpenKeyExA, RegCreateKeyExA,
// RegQueryValueExA, RegSetValueExA, RegEnumKeyExA, RegEnumValueA and RegCloseKey. The registry itself checks
// case, creates parents and keeps type codes; this file adds the store's own name rules, the errno answers,
// the location (a root key and a prefix below it) and the writers' mutex.
//
// Location: the text set with SetRegistryStorePath, else %LUMENRT_REGISTRY%, else nothing. A text that
// starts with HKEY_LOCAL_MACHINE (HKLM) or HKEY_CURRENT_USER (HKCU) and a backslash picks that root,
// any other text lies below HKEY_LOCAL_MACHINE; what follows is a prefix key that stands in for the
// root, so that a test (or a host) keeps its keys apart. Forward slashes count as backslashes, and
// empty components are dropped, so a file path serves as well ("C:\tmp\x\registry.db").
//
// Writers: every operation of a store runs under a named mutex of that store (its location folded to
// lower case and hashed into the name), shared by every process of the session. Several values set
// together are set under it, so no reader or writer of this library sees half of them; if a value
// cannot be set, the ones set before it get their earlier contents back. The registry has no
// transactions: a process killed between two of the writes leaves the earlier ones set.
#include "lumenrt/platform/internal/registry_store_windows.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <new>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <windows.h>

#include "lumenrt/platform/internal/errno_windows.h"
#include "lumenrt/platform/internal/registry_names.h"
#include "lumenrt/platform/internal/registry_store_sqlite.h"
#include "lumenrt/platform/internal/text_helpers.h"
#include "lumenrt/platform/registry_store.h"

namespace lumenrt::platform {
namespace {

constexpr DWORD kBusyTimeoutMs = 5000;

bool StartsWithRoot(std::string_view text, std::string_view root, std::string_view* rest) {
  if (text.size() < root.size() || CompareFoldedCase(text.data(), root.data(), root.size()) != 0)
    return false;
  if (text.size() > root.size() && text[root.size()] != '\\') return false;
  *rest = text.substr(root.size());
  return true;
}

// Where the store lives now: a root key and the prefix below it.
struct Location {
  HKEY root = HKEY_LOCAL_MACHINE;
  const char* rootName = "HKEY_LOCAL_MACHINE";
  std::string prefix;  // empty: the root itself
  int error = 0;       // a prefix component longer than a key name may be

  std::string Text() const { return prefix.empty() ? rootName : std::string(rootName) + "\\" + prefix; }

  // The subkey of root for keyPath (already checked).
  std::string Subkey(std::string_view keyPath) const {
    if (prefix.empty()) return std::string(keyPath);
    if (keyPath.empty()) return prefix;
    return prefix + "\\" + std::string(keyPath);
  }
};

Location CurrentLocation() {
  std::string text = SetRegistryStorePathValue();
  if (text.empty()) {
    if (const char* env = std::getenv("LUMENRT_REGISTRY"); env != nullptr) text = env;
  }
  for (char& c : text)
    if (c == '/') c = '\\';
  Location where;
  std::string_view rest = text;
  if (StartsWithRoot(rest, "HKEY_CURRENT_USER", &rest) || StartsWithRoot(rest, "HKCU", &rest)) {
    where.root = HKEY_CURRENT_USER;
    where.rootName = "HKEY_CURRENT_USER";
  } else if (!StartsWithRoot(rest, "HKEY_LOCAL_MACHINE", &rest)) {
    StartsWithRoot(rest, "HKLM", &rest);
  }
  for (std::size_t start = 0; start < rest.size();) {
    std::size_t end = rest.find('\\', start);
    if (end == std::string_view::npos) end = rest.size();
    if (end > start) {
      if (end - start > kMaxKeyComponent) where.error = ENAMETOOLONG;
      if (!where.prefix.empty()) where.prefix += '\\';
      where.prefix.append(rest.substr(start, end - start));
    }
    start = end + 1;
  }
  return where;
}

// An open registry key, closed at the end of its scope.
class Key {
 public:
  Key() = default;
  Key(const Key&) = delete;
  Key& operator=(const Key&) = delete;
  ~Key() {
    if (key_ != nullptr) RegCloseKey(key_);
  }
  HKEY* Receive() { return &key_; }
  HKEY get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

// Opens (or creates, with its missing parents) subkey of root. A path longer than a code-page
// function takes at once (260 characters on some systems, which answer ERROR_MORE_DATA) is walked one
// component at a time, each at most 255 characters. Answers a Windows error code.
LONG OpenPath(HKEY root, const std::string& subkey, REGSAM access, bool create, Key* key) {
  const auto openOne = [create](HKEY parent, const char* name, REGSAM rights, HKEY* out) {
    DWORD disposition = 0;
    const LONG result = create ? RegCreateKeyExA(parent, name, 0, nullptr, REG_OPTION_NON_VOLATILE, rights,
                                                 nullptr, out, &disposition)
                               : RegOpenKeyExA(parent, name, 0, rights, out);
    if (result != ERROR_SUCCESS) *out = nullptr;  // nothing to close
    return result;
  };
  LONG rc = openOne(root, subkey.c_str(), access, key->Receive());
  if (rc != ERROR_MORE_DATA && rc != ERROR_FILENAME_EXCED_RANGE) return rc;
  Key parent;
  HKEY at = root;
  for (std::size_t start = 0;;) {
    const std::size_t end = subkey.find('\\', start);
    const bool last = end == std::string::npos;
    const std::string name = subkey.substr(start, last ? std::string::npos : end - start);
    Key next;
    rc = openOne(at, name.c_str(), last ? access : (create ? KEY_CREATE_SUB_KEY : KEY_QUERY_VALUE),
                 next.Receive());
    if (rc != ERROR_SUCCESS) return rc;
    if (last) {
      std::swap(*key->Receive(), *next.Receive());
      return ERROR_SUCCESS;
    }
    std::swap(*parent.Receive(), *next.Receive());
    at = parent.get();
    start = end + 1;
  }
}

int OpenExisting(const Location& where, std::string_view keyPath, REGSAM access, Key* key) {
  return ErrnoFromWindowsError(
      static_cast<DWORD>(OpenPath(where.root, where.Subkey(keyPath), access, false, key)));
}

// The store's mutex, held for the scope; opened once per location and kept.
class StoreLock {
 public:
  explicit StoreLock(const Location& where) {
    HANDLE mutex = MutexOf(where.Text());
    if (mutex == nullptr) {
      error_ = ErrnoFromWindowsError(GetLastError());
      return;
    }
    const DWORD waited = WaitForSingleObject(mutex, kBusyTimeoutMs);
    // An abandoned mutex is owned all the same: its holder died, leaving at worst some values of
    // a group set, which the registry keeps as they are.
    if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED) {
      held_ = mutex;
    } else {
      error_ = waited == WAIT_TIMEOUT ? EBUSY : ErrnoFromWindowsError(GetLastError());
    }
  }
  ~StoreLock() {
    if (held_ != nullptr) ReleaseMutex(held_);
  }
  StoreLock(const StoreLock&) = delete;
  StoreLock& operator=(const StoreLock&) = delete;

  int error() const { return error_; }

 private:
  static HANDLE MutexOf(const std::string& location) {
    // FNV-1a over the location in lower case: one mutex per store whatever the case of its name.
    std::uint64_t hash = 0xcbf29ce484222325ull;
    for (char c : location) {
      hash ^= static_cast<unsigned char>(FoldCase(c));
      hash *= 0x100000001b3ull;
    }
    static auto* lock = new std::mutex;
    static auto* mutexes = new std::map<std::uint64_t, HANDLE>;
    std::lock_guard<std::mutex> hold(*lock);
    if (auto it = mutexes->find(hash); it != mutexes->end()) return it->second;
    const std::string name =
        "lumenrt-registry-" + HexEncode(reinterpret_cast<const unsigned char*>(&hash), 8);
    HANDLE mutex = CreateMutexA(nullptr, FALSE, name.c_str());
    if (mutex != nullptr) mutexes->emplace(hash, mutex);
    return mutex;
  }

  HANDLE held_ = nullptr;
  int error_ = 0;
};

// A value's type and bytes, read whole.
struct StoredValue {
  DWORD type = 0;
  std::vector<unsigned char> bytes;
};

// Reads a value whole, growing the buffer while the value grows; 0, ENOENT or another errno value.
int ReadValue(HKEY key, const char* name, StoredValue* value) {
  DWORD room = 64;
  for (int attempt = 0; attempt < 8; ++attempt) {
    try {
      value->bytes.resize(room);
    } catch (const std::bad_alloc&) {
      return ENOMEM;
    }
    DWORD size = room;
    const LONG rc = RegQueryValueExA(key, name, nullptr, &value->type, value->bytes.data(), &size);
    if (rc == ERROR_SUCCESS) {
      value->bytes.resize(size);
      return 0;
    }
    if (rc != ERROR_MORE_DATA) return ErrnoFromWindowsError(static_cast<DWORD>(rc));
    room = size > room ? size : room * 2;
  }
  return EBUSY;  // another writer kept enlarging it
}

int SystemWriteValue(HKEY key, const char* name, int type, const void* data, std::uint32_t size) {
  static const BYTE kEmpty = 0;
  const BYTE* bytes = size != 0 ? static_cast<const BYTE*>(data) : &kEmpty;
  return ErrnoFromWindowsError(
      static_cast<DWORD>(RegSetValueExA(key, name, 0, static_cast<DWORD>(type), bytes, size)));
}

RegistryValueWriter installedWriter = SystemWriteValue;

int WriteValue(HKEY key, const char* name, int type, const void* data, std::uint32_t size) {
  return installedWriter(key, name, type, data, size);
}

class WindowsRegistryStore final : public RegistryStore {
 public:
  std::string StorePath() override { return CurrentLocation().Text(); }

  int OpenKey(const char* keyPath) override {
    const std::string_view key = keyPath != nullptr ? keyPath : "";
    if (int error = CheckKeyPath(key); error != 0) return error;
    const Location where = CurrentLocation();
    if (where.error != 0) return where.error;
    Key opened;
    const int error = OpenExisting(where, key, KEY_QUERY_VALUE, &opened);
    // The root exists even before its prefix key does.
    return error == ENOENT && key.empty() ? 0 : error;
  }

  int CreateKey(const char* keyPath) override {
    const std::string_view key = keyPath != nullptr ? keyPath : "";
    if (int error = CheckKeyPath(key); error != 0) return error;
    const Location where = CurrentLocation();
    if (where.error != 0) return where.error;
    const StoreLock lock(where);
    if (lock.error() != 0) return lock.error();
    Key created;
    return ErrnoFromWindowsError(
        static_cast<DWORD>(OpenPath(where.root, where.Subkey(key), KEY_QUERY_VALUE, true, &created)));
  }

  int QueryValue(const char* keyPath, const char* valueName, int* type, unsigned char* data,
                 std::uint32_t* size) override {
    const std::string_view key = keyPath != nullptr ? keyPath : "";
    const char* name = valueName != nullptr ? valueName : "";
    if (int error = CheckKeyPath(key); error != 0) return error;
    if (int error = CheckValueName(name); error != 0) return error;
    if (size == nullptr || type == nullptr || (data == nullptr && *size != 0)) return EINVAL;
    const Location where = CurrentLocation();
    if (where.error != 0) return where.error;
    const StoreLock lock(where);
    if (lock.error() != 0) return lock.error();
    Key opened;
    if (int error = OpenExisting(where, key, KEY_QUERY_VALUE, &opened); error != 0) return error;
    // Read whole into a buffer of its own: the system leaves a caller's buffer undefined when the
    // value does not fit, and the caller's must stay as it was.
    StoredValue value;
    if (int error = ReadValue(opened.get(), name, &value); error != 0) return error;
    *type = static_cast<int>(value.type);
    const std::uint32_t room = *size;
    *size = static_cast<std::uint32_t>(value.bytes.size());
    if (value.bytes.size() > room) return ERANGE;
    if (!value.bytes.empty()) std::memcpy(data, value.bytes.data(), value.bytes.size());
    return 0;
  }

  int SetValue(const char* keyPath, const char* valueName, int type, const void* data,
               std::uint32_t size) override {
    const RegistryValueData one{valueName, type, data, size};
    return SetValues(keyPath, &one, 1);
  }

  int SetValues(const char* keyPath, const RegistryValueData* values, std::size_t count) override {
    const std::string_view key = keyPath != nullptr ? keyPath : "";
    if (int error = CheckValues(key, values, count); error != 0) return error;
    if (count == 0) return 0;  // nothing to write
    const Location where = CurrentLocation();
    if (where.error != 0) return where.error;
    const StoreLock lock(where);
    if (lock.error() != 0) return lock.error();
    Key opened;
    if (int error = OpenExisting(where, key, KEY_QUERY_VALUE | KEY_SET_VALUE, &opened); error != 0)
      return error;
    if (count == 1)
      return WriteValue(opened.get(), NameOf(values[0]), values[0].type, values[0].data, values[0].size);

    // What each value held before (absent: ENOENT), to put back when a later one cannot be set.
    std::vector<StoredValue> before(count);
    std::vector<int> found(count, ENOENT);
    for (std::size_t i = 0; i < count; ++i) {
      found[i] = ReadValue(opened.get(), NameOf(values[i]), &before[i]);
      if (found[i] != 0 && found[i] != ENOENT) return found[i];
    }
    for (std::size_t i = 0; i < count; ++i) {
      const int error =
          WriteValue(opened.get(), NameOf(values[i]), values[i].type, values[i].data, values[i].size);
      if (error == 0) continue;
      for (std::size_t j = i; j-- > 0;) {
        if (found[j] == 0) {
          WriteValue(opened.get(), NameOf(values[j]), static_cast<int>(before[j].type),
                     before[j].bytes.data(), static_cast<std::uint32_t>(before[j].bytes.size()));
        } else {
          RegDeleteValueA(opened.get(), NameOf(values[j]));
        }
      }
      return error;
    }
    return 0;
  }

  int ListKey(const char* keyPath, std::vector<std::string>* subkeys,
              std::vector<std::string>* valueNames) override {
    const std::string_view key = keyPath != nullptr ? keyPath : "";
    if (int error = CheckKeyPath(key); error != 0) return error;
    if (subkeys == nullptr || valueNames == nullptr) return EINVAL;
    subkeys->clear();
    valueNames->clear();
    const Location where = CurrentLocation();
    if (where.error != 0) return where.error;
    const StoreLock lock(where);
    if (lock.error() != 0) return lock.error();
    Key opened;
    if (int error = OpenExisting(where, key, KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS, &opened); error != 0)
      return error == ENOENT && key.empty() ? 0 : error;  // the root exists even before its prefix key
    // A key name has at most 255 characters and a value name 16383; their code-page forms may take
    // more bytes, so the buffers leave room.
    std::vector<char> name(4 * (kMaxValueName + 1));
    for (DWORD index = 0;; ++index) {
      DWORD length = static_cast<DWORD>(name.size());
      const LONG rc =
          RegEnumKeyExA(opened.get(), index, name.data(), &length, nullptr, nullptr, nullptr, nullptr);
      if (rc == ERROR_NO_MORE_ITEMS) break;
      if (rc != ERROR_SUCCESS) return ErrnoFromWindowsError(static_cast<DWORD>(rc));
      subkeys->emplace_back(name.data(), length);
    }
    for (DWORD index = 0;; ++index) {
      DWORD length = static_cast<DWORD>(name.size());
      const LONG rc =
          RegEnumValueA(opened.get(), index, name.data(), &length, nullptr, nullptr, nullptr, nullptr);
      if (rc == ERROR_NO_MORE_ITEMS) break;
      if (rc != ERROR_SUCCESS) return ErrnoFromWindowsError(static_cast<DWORD>(rc));
      valueNames->emplace_back(name.data(), length);
    }
    return 0;
  }

 private:
  static const char* NameOf(const RegistryValueData& value) {
    return value.name != nullptr ? value.name : "";
  }
};

}  // namespace

RegistryValueWriter SetRegistryValueWriter(RegistryValueWriter writer) {
  const RegistryValueWriter before = installedWriter;
  installedWriter = writer != nullptr ? writer : SystemWriteValue;
  return before;
}

RegistryStore& SystemRegistryStore() {
  static auto* store = new WindowsRegistryStore;
  return *store;
}

}  // namespace lumenrt::platform
