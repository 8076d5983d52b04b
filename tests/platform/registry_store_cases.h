// What the tests of every system's registry store share: reading a short value back, and the rules for
// key paths and value names as each store must answer them. The caller points the store at a scratch
// location first.
#pragma once

#include <cerrno>
#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "lumenrt/platform/registry_store.h"

namespace lumenrt::test {

// A value of at most 64 bytes as text, with its error (and type when asked); empty on an error.
inline std::string Query(const char* key, const char* name, int* error, int* type = nullptr) {
  unsigned char data[64] = {};
  std::uint32_t size = sizeof data;
  int t = -1;
  *error = RegistryQueryValue(key, name, &t, data, &size);
  if (type != nullptr) *type = t;
  return *error == 0 ? std::string(reinterpret_cast<char*>(data), size) : std::string();
}

inline void ExpectStoreRefusesMalformedNames() {
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

// Listing: direct subkeys and value names only, as created, sorted without regard to ASCII case; a
// missing key is ENOENT, the root always exists.
inline void ExpectStoreListsKeys() {
  using Names = std::vector<std::string>;
  Names keys{"stale"}, values{"stale"};
  EXPECT_EQ(RegistryListKey("", &keys, &values), 0);  // nothing written yet
  EXPECT_EQ(keys, Names{});
  for (const char* key : {"B\\b2\\deep", "B\\B1", "a", "B\\_x", "Bee"}) ASSERT_EQ(RegistryCreateKey(key), 0);
  for (const char* name : {"zeta", "", "Alpha", "a\\b"}) ASSERT_EQ(RegistrySetValue("B", name, 1, "x", 2), 0);
  ASSERT_EQ(RegistrySetValue("B\\B1", "inner", 1, "x", 2), 0);
  const struct {
    const char* key;
    int error;
    Names keys, values;
  } cases[] = {
      {"", 0, {"a", "B", "Bee"}, {}}, {"b", 0, {"_x", "B1", "b2"}, {"", "a\\b", "Alpha", "zeta"}},
      {"B\\b2", 0, {"deep"}, {}},     {"B\\b2\\deep", 0, {}, {}},
      {"C", ENOENT, {}, {}},          {"B\\", EINVAL, {}, {}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(RegistryListKey(c.key, &keys, &values), c.error) << c.key;
    if (c.error != 0) continue;
    EXPECT_EQ(keys, c.keys) << c.key;
    EXPECT_EQ(values, c.values) << c.key;
  }
}

}  // namespace lumenrt::test
