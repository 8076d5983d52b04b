// Counts what the C heap frees, for tests that must see which blocks code releases and in which
// order. The test program replaces `free` (every object of the process, the library included, calls
// the program's own), records the addresses freed while counting, and hands every block on to the C
// library. Sanitizer builds keep their own `free` (and find wrong or missing frees themselves), and
// Windows binds each library to its own C run-time, so counting is available only where
// kCountsFrees is true.
#pragma once

#include <vector>

namespace plugtest {

#if defined(_WIN32) || defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
inline constexpr bool kCountsFrees = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
inline constexpr bool kCountsFrees = false;
#else
inline constexpr bool kCountsFrees = true;
#endif
#else
inline constexpr bool kCountsFrees = true;
#endif

// Starts recording (forgetting earlier records); one thread at a time.
void StartCountingFrees();
// Stops recording and answers the non-null addresses freed since the start, in order (at most 64).
std::vector<const void*> StopCountingFrees();

}  // namespace plugtest
