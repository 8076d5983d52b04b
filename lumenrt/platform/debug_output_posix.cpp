// The debug output on POSIX systems: no debugger channel, so texts go to the sink a host installs.
#include "lumenrt/platform/debug_output.h"
#include "lumenrt/platform/internal/debug_output_sink.h"

namespace lumenrt::platform {
namespace {

class PosixDebugOutput final : public DebugOutput {
 public:
  void Write(const char* text) override { WriteToInstalledSink(text); }
};

}  // namespace

DebugOutput& SystemDebugOutput() {
  static auto* output = new PosixDebugOutput;
  return *output;
}

}  // namespace lumenrt::platform
