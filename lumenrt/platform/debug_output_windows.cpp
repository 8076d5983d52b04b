// The debug output on Windows: the debugger's output channel (OutputDebugStringA). A sink a host
// installs with SetDebugOutputSink receives every text as well.
#include <windows.h>

#include "lumenrt/platform/debug_output.h"
#include "lumenrt/platform/internal/debug_output_sink.h"

namespace lumenrt::platform {
namespace {

class WindowsDebugOutput final : public DebugOutput {
 public:
  void Write(const char* text) override {
    if (text == nullptr) return;
    OutputDebugStringA(text);
    WriteToInstalledSink(text);
  }
};

}  // namespace

DebugOutput& SystemDebugOutput() {
  static auto* output = new WindowsDebugOutput;
  return *output;
}

}  // namespace lumenrt::platform
