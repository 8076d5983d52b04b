#include <concepts>
#include <cstdio>

#include "lumenrt/core/version.h"
#include "lumenrt/core/zstring.h"

// C++20 (concepts): compiles only with the standard the package asks for, the consumer naming none.
template <std::integral T>
constexpr T Twice(T value) {
  return value * 2;
}
static_assert(Twice(21) == 42);

int main() {
  ZString s("hi");
  s.Append(" there");
  std::printf("%s %s\n", s.c_str(), lumenrt::Version());
}
