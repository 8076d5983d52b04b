#include "lumenrt/platform/debug_output.h"

#include <cstdio>
#include <memory>
#include <mutex>
#include <utility>

#include "lumenrt/platform/internal/debug_output_sink.h"
#include "lumenrt/platform/internal/substitution.h"

namespace lumenrt::platform {
namespace {
constinit Substitution<DebugOutput> g_substitute;

std::mutex& SinkLock() {
  static auto* lock = new std::mutex;
  return *lock;
}
// Shared so a write can go on outside the lock while another thread installs a new sink.
std::shared_ptr<const DebugOutputSink>& InstalledSink() {
  static auto* sink = new std::shared_ptr<const DebugOutputSink>;
  return *sink;
}
}  // namespace

DebugOutput::~DebugOutput() = default;

DebugOutput& CurrentDebugOutput() { return g_substitute.Current(SystemDebugOutput()); }

DebugOutput* SubstituteDebugOutput(DebugOutput* output) { return g_substitute.Exchange(output); }

void WriteDebugOutput(const char* text) {
  if (text != nullptr) CurrentDebugOutput().Write(text);
}

void WriteToInstalledSink(const char* text) {
  if (text == nullptr) return;
  std::shared_ptr<const DebugOutputSink> sink;
  {
    std::lock_guard<std::mutex> hold(SinkLock());
    sink = InstalledSink();
  }
  if (sink && *sink) (*sink)(text);
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
