// The debug output on Windows: the debugger's output channel (OutputDebugStringA). A sink a host
// installs with SetDebugOutputSink receives every text as well.
#include <cstdio>
#include <memory>
#include <mutex>
#include <utility>

#include <windows.h>

#include "lumenrt/platform/debug_output.h"

namespace lumenrt::platform {
namespace {

std::mutex& SinkLock() {
  static auto* lock = new std::mutex;
  return *lock;
}
// Shared so a write can go on outside the lock while another thread installs a new sink.
std::shared_ptr<const DebugOutputSink>& InstalledSink() {
  static auto* sink = new std::shared_ptr<const DebugOutputSink>;
  return *sink;
}

class WindowsDebugOutput final : public DebugOutput {
 public:
  void Write(const char* text) override {
    if (text == nullptr) return;
    OutputDebugStringA(text);
    std::shared_ptr<const DebugOutputSink> sink;
    {
      std::lock_guard<std::mutex> hold(SinkLock());
      sink = InstalledSink();
    }
    if (sink && *sink) (*sink)(text);
  }
};

}  // namespace

DebugOutput& SystemDebugOutput() {
  static auto* output = new WindowsDebugOutput;
  return *output;
}

DebugOutputSink SetDebugOutputSink(DebugOutputSink sink) {
  auto next = sink ? std::make_shared<const DebugOutputSink>(std::move(sink)) : nullptr;
  std::shared_ptr<const DebugOutputSink> previous;
  {
    std::lock_guard<std::mutex> hold(SinkLock());
    previous = std::exchange(InstalledSink(), std::move(next));
  }
  return previous ? *previous : DebugOutputSink();
}

void DebugOutputToStandardError(const char* text) {
  if (text == nullptr) return;
  std::fputs(text, stderr);
  std::fflush(stderr);
}

}  // namespace lumenrt::platform
