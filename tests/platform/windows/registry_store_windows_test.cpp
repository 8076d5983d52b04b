// The registry store on the Windows registry: the store's contract (as for the store of the other
// systems), where its keys lie in the real registry, and the location's meaning.
#include "lumenrt/platform/internal/registry_store_windows.h"

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>
#include <windows.h>

#include "lumenrt/platform/internal/registry_store_sqlite.h"
#include "lumenrt/platform/registry_store.h"

#include "platform/registry_store_cases.h"

namespace lumenrt {
namespace {

// Points the store at a private key below HKEY_CURRENT_USER for the test's lifetime and removes it
// afterwards.
class ScopedRegistryKey {
 public:
  ScopedRegistryKey() : old_(platform::SetRegistryStorePathValue()) {
    static std::atomic<int> counter{0};
    subkey_ =
        "Software\\lumenrt-tests\\" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(counter++);
    RegDeleteTreeA(HKEY_CURRENT_USER, subkey_.c_str());
    platform::SetRegistryStorePath(("HKCU\\" + subkey_).c_str());
  }
  ~ScopedRegistryKey() {
    platform::SetRegistryStorePath(old_.c_str());
    RegDeleteTreeA(HKEY_CURRENT_USER, subkey_.c_str());
  }
  // The real registry key of a store key.
  std::string Real(const std::string& key) const { return key.empty() ? subkey_ : subkey_ + "\\" + key; }

 private:
  std::string old_, subkey_;
};

using test::Query;

TEST(WindowsRegistryStore, LocationIsARootKeyAndAPrefix) {
  const std::string saved = platform::SetRegistryStorePathValue();
  const struct {
    const char* set;
    const char* expected;
  } cases[] = {
      {"", "HKEY_LOCAL_MACHINE"},
      {"SOFTWARE\\lumenrt", "HKEY_LOCAL_MACHINE\\SOFTWARE\\lumenrt"},
      {"HKLM\\SOFTWARE\\x", "HKEY_LOCAL_MACHINE\\SOFTWARE\\x"},
      {"hkey_current_user", "HKEY_CURRENT_USER"},
      {"HKCU\\Software\\y\\", "HKEY_CURRENT_USER\\Software\\y"},
      {"C:/Temp//t-1/registry.db", "HKEY_LOCAL_MACHINE\\C:\\Temp\\t-1\\registry.db"},
      {"HKLMX\\a", "HKEY_LOCAL_MACHINE\\HKLMX\\a"},
  };
  _putenv("LUMENRT_REGISTRY=");
  for (const auto& c : cases) {
    platform::SetRegistryStorePath(c.set);
    EXPECT_EQ(RegistryStorePath(), c.expected) << c.set;
  }
  // Without a set location the environment's applies.
  platform::SetRegistryStorePath(nullptr);
  _putenv("LUMENRT_REGISTRY=HKCU\\Software\\from-env");
  EXPECT_EQ(RegistryStorePath(), "HKEY_CURRENT_USER\\Software\\from-env");
  _putenv("LUMENRT_REGISTRY=");
  // A prefix component longer than a key name may be refuses every operation.
  platform::SetRegistryStorePath(("HKCU\\" + std::string(256, 'p')).c_str());
  EXPECT_EQ(RegistryOpenKey("A"), ENAMETOOLONG);
  EXPECT_EQ(RegistryCreateKey("A"), ENAMETOOLONG);
  platform::SetRegistryStorePath(saved.c_str());
}

TEST(WindowsRegistryStore, KeysExistApartFromValuesAndIgnoreCase) {
  ScopedRegistryKey store;
  int error = 0, type = 0;
  EXPECT_EQ(RegistryOpenKey(""), 0);  // the root exists before its key does
  ASSERT_EQ(RegistryCreateKey("Soft\\Orvane\\Agent"), 0);
  EXPECT_EQ(RegistryOpenKey("SOFT"), 0);  // parents are created
  EXPECT_EQ(RegistryOpenKey("soft\\ORVANE\\agent"), 0);
  EXPECT_EQ(RegistryOpenKey("Soft\\Other"), ENOENT);
  Query("Soft\\Orvane\\Agent", "v", &error);
  EXPECT_EQ(error, ENOENT);  // no such value of an existing key
  EXPECT_EQ(RegistrySetValue("Soft\\Other", "v", 1, "x", 1), ENOENT);
  EXPECT_EQ(RegistryOpenKey("Soft\\Other"), ENOENT);
  Query("Soft\\Other", "v", &error);
  EXPECT_EQ(error, ENOENT);  // a value of a missing key is missing

  ASSERT_EQ(RegistrySetValue("Soft\\Orvane\\Agent", "Name", 1, "abc", 4), 0);
  EXPECT_EQ(Query("Soft\\Orvane\\Agent", "Name", &error, &type), std::string("abc", 4));
  EXPECT_EQ(type, REG_SZ);
  ASSERT_EQ(RegistrySetValue("SOFT\\orvane\\AGENT", "NAME", 3, "\x01\x00\x02", 3), 0);  // the same value
  EXPECT_EQ(Query("soft\\orvane\\agent", "name", &error, &type), std::string("\x01\x00\x02", 3));
  EXPECT_EQ(type, REG_BINARY);
  ASSERT_EQ(RegistrySetValue("Soft", "", 3, "", 0), 0);  // the default value, empty
  EXPECT_EQ(Query("Soft", nullptr, &error, &type), "");
  EXPECT_EQ(error, 0);

  // Too small a buffer: ERANGE with size and type, the buffer untouched.
  unsigned char small[2] = {0xEE, 0xEE};
  std::uint32_t size = sizeof small;
  type = -1;
  EXPECT_EQ(RegistryQueryValue("Soft\\Orvane\\Agent", "Name", &type, small, &size), ERANGE);
  EXPECT_EQ(size, 3u);
  EXPECT_EQ(type, REG_BINARY);
  EXPECT_EQ(small[0], 0xEE);
  size = 0;
  EXPECT_EQ(RegistryQueryValue("Soft\\Orvane\\Agent", "Name", &type, nullptr, &size), ERANGE);
  EXPECT_EQ(size, 3u);
  EXPECT_EQ(RegistryQueryValue("Soft", "", &type, nullptr, nullptr), EINVAL);

  // The values are the registry's own, below the private key.
  HKEY key = nullptr;
  ASSERT_EQ(
      RegOpenKeyExA(HKEY_CURRENT_USER, store.Real("Soft\\Orvane\\Agent").c_str(), 0, KEY_QUERY_VALUE, &key),
      ERROR_SUCCESS);
  DWORD realType = 0, realSize = 0;
  EXPECT_EQ(RegQueryValueExA(key, "Name", nullptr, &realType, nullptr, &realSize), ERROR_SUCCESS);
  EXPECT_EQ(realType, static_cast<DWORD>(REG_BINARY));
  EXPECT_EQ(realSize, 3u);
  RegCloseKey(key);
}

TEST(WindowsRegistryStore, RefusesMalformedNames) {
  ScopedRegistryKey store;
  test::ExpectStoreRefusesMalformedNames();
  EXPECT_EQ(RegistrySetValue("A", "v", 3, nullptr, 1), EINVAL);
  EXPECT_EQ(RegistrySetValue("A", "v", 3, "x", 0x80000000u), EINVAL);
}

TEST(WindowsRegistryStore, ListsSubkeysAndValues) {
  ScopedRegistryKey store;
  test::ExpectStoreListsKeys();
}

TEST(WindowsRegistryStore, SetValuesWritesAGroupOrNothing) {
  ScopedRegistryKey store;
  const std::uint32_t one = 1, two = 2;
  const RegistryValueData pair[] = {{"CurrLogFileNo", REG_DWORD, &one, 4},
                                    {"CurrLogBytesWritten", REG_DWORD, &two, 4}};
  EXPECT_EQ(RegistrySetValues("Agent", pair, 2), ENOENT);  // no key yet: nothing is created
  EXPECT_EQ(RegistryOpenKey("Agent"), ENOENT);
  ASSERT_EQ(RegistryCreateKey("Agent"), 0);
  ASSERT_EQ(RegistrySetValues("Agent", pair, 2), 0);
  int error = 0;
  EXPECT_EQ(Query("Agent", "currlogfileno", &error), std::string("\x01\0\0\0", 4));
  EXPECT_EQ(Query("Agent", "CurrLogBytesWritten", &error), std::string("\x02\0\0\0", 4));

  // A value refused before anything is written leaves the others as they were.
  const std::uint32_t three = 3;
  const std::string tooLong(16384, 'n');
  const RegistryValueData bad[] = {{"CurrLogFileNo", REG_DWORD, &three, 4},
                                   {tooLong.c_str(), REG_DWORD, &three, 4}};
  EXPECT_EQ(RegistrySetValues("Agent", bad, 2), ENAMETOOLONG);
  EXPECT_EQ(Query("Agent", "CurrLogFileNo", &error), std::string("\x01\0\0\0", 4));
  EXPECT_EQ(RegistrySetValues("Agent", nullptr, 1), EINVAL);
  EXPECT_EQ(RegistrySetValues("Agent", nullptr, 0), 0);
}

// The registry has no transactions: when a value of a group cannot be set, the store gives the values
// it set before it their earlier type and bytes back, removes those that were not there, and never
// touches the later ones.
TEST(WindowsRegistryStore, AGroupThatFailsPartWayIsPutBack) {
  ScopedRegistryKey store;
  ASSERT_EQ(RegistryCreateKey("Agent"), 0);
  const std::uint32_t before = 7, after = 9;
  ASSERT_EQ(RegistrySetValue("Agent", "A", REG_DWORD, &before, 4), 0);
  ASSERT_EQ(RegistrySetValue("Agent", "D", REG_SZ, "d0", 3), 0);

  // Fails the failAt-th write (counting from 1), passes every other one to the system's writer.
  static platform::RegistryValueWriter system = nullptr;
  static int writes = 0, failAt = 0;
  system = platform::SetRegistryValueWriter(
      [](HKEY key, const char* name, int type, const void* data, std::uint32_t size) {
        return ++writes == failAt ? EIO : system(key, name, type, data, size);
      });
  struct Restore {
    ~Restore() { platform::SetRegistryValueWriter(nullptr); }
  } restore;

  const RegistryValueData group[] = {
      {"A", REG_DWORD, &after, 4}, {"B", REG_BINARY, "bb", 2}, {"C", REG_SZ, "c", 2}, {"D", REG_SZ, "d1", 3}};
  for (failAt = 1; failAt <= 4; ++failAt) {
    writes = 0;
    EXPECT_EQ(RegistrySetValues("Agent", group, 4), EIO) << failAt;
    int error = 0, type = 0;
    EXPECT_EQ(Query("Agent", "A", &error, &type), std::string("\x07\0\0\0", 4)) << failAt;
    EXPECT_EQ(type, REG_DWORD) << failAt;
    for (const char* absent : {"B", "C"}) {
      Query("Agent", absent, &error);
      EXPECT_EQ(error, ENOENT) << failAt << absent;
    }
    EXPECT_EQ(Query("Agent", "D", &error, &type), std::string("d0\0", 3)) << failAt;
    EXPECT_EQ(type, REG_SZ) << failAt;
  }

  failAt = 0;
  ASSERT_EQ(RegistrySetValues("Agent", group, 4), 0);
  int error = 0;
  EXPECT_EQ(Query("Agent", "A", &error), std::string("\x09\0\0\0", 4));
  EXPECT_EQ(Query("Agent", "C", &error), std::string("c\0", 2));
}

// Two threads write groups of two values at once: the last group stands whole (without the store's
// mutex one writer's A and the other's B could remain).
TEST(WindowsRegistryStore, ConcurrentGroupsStayWhole) {
  ScopedRegistryKey store;
  ASSERT_EQ(RegistryCreateKey("Agent"), 0);
  std::atomic<int> failures{0};
  std::vector<std::thread> writers;
  for (std::uint32_t w = 0; w < 2; ++w) {
    writers.emplace_back([&failures, w] {
      for (std::uint32_t i = 1; i <= 200; ++i) {
        const std::uint32_t n = i * 2 + w;
        const RegistryValueData pair[] = {{"A", REG_DWORD, &n, 4}, {"B", REG_DWORD, &n, 4}};
        if (RegistrySetValues("Agent", pair, 2) != 0) ++failures;
      }
    });
  }
  for (auto& t : writers) t.join();
  EXPECT_EQ(failures, 0);
  int error = 0;
  EXPECT_EQ(Query("Agent", "A", &error), Query("Agent", "B", &error));
  EXPECT_EQ(error, 0);
}

}  // namespace
}  // namespace lumenrt
