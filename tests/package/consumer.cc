#include <cstdio>

#include "lumenrt/core/zstring.h"
int main() {
  ZString s("hi");
  s.Append(" there");
  std::puts(s.c_str());
}
