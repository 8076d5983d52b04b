// The registry's rules for key paths and value names, as every system's store must answer them; the
// caller points the store at a scratch location first.
#pragma once

#include <cerrno>
#include <string>

#include <gtest/gtest.h>

#include "lumenrt/platform/registry_store.h"

namespace lumenrt::test {

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

}  // namespace lumenrt::test
