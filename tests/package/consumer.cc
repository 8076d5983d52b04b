#include "lumenrt/core/zstring.h"
#include <cstdio>
int main() { ZString s("hi"); s.Append(" there"); std::puts(s.c_str()); }
