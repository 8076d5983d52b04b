#include "free_counter.h"

#include <atomic>
#include <cstddef>

namespace {

constexpr std::size_t kMostFrees = 64;
std::atomic<bool> g_counting{false};
const void* g_freed[kMostFrees];
std::atomic<std::size_t> g_count{0};

}  // namespace

namespace plugtest {

void StartCountingFrees() {
  g_count = 0;
  g_counting = true;
}

std::vector<const void*> StopCountingFrees() {
  g_counting = false;  // before the vector allocates
  const std::size_t n = g_count < kMostFrees ? g_count.load() : kMostFrees;
  return std::vector<const void*>(g_freed, g_freed + n);
}

}  // namespace plugtest

#if !defined(_WIN32) && !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
extern "C" void __libc_free(void* block);

// Never allocates: it may run inside the heap's own callers.
extern "C" void free(void* block) {
  if (block != nullptr && g_counting.load(std::memory_order_relaxed)) {
    const std::size_t at = g_count.fetch_add(1);
    if (at < kMostFrees) g_freed[at] = block;
  }
  __libc_free(block);
}
#endif
