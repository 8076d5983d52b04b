// Setting and removing variables of the C run-time's environment, which the library, the modules a
// test loads and the programs it starts all read, on every system.
#pragma once

#include <cstdlib>

namespace lumenrt::test {

#ifdef _WIN32
// An empty value removes the variable.
inline void SetEnvironment(const char* name, const char* value) { _putenv_s(name, value); }
inline void UnsetEnvironment(const char* name) { _putenv_s(name, ""); }
#else
inline void SetEnvironment(const char* name, const char* value) { setenv(name, value, 1); }
inline void UnsetEnvironment(const char* name) { unsetenv(name); }
#endif

}  // namespace lumenrt::test
