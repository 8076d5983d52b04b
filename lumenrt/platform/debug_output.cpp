#include "lumenrt/platform/debug_output.h"

#include "lumenrt/platform/internal/substitution.h"

namespace lumenrt::platform {
namespace {
constinit Substitution<DebugOutput> g_substitute;
}  // namespace

DebugOutput::~DebugOutput() = default;

DebugOutput& CurrentDebugOutput() { return g_substitute.Current(SystemDebugOutput()); }

DebugOutput* SubstituteDebugOutput(DebugOutput* output) { return g_substitute.Exchange(output); }

void WriteDebugOutput(const char* text) {
  if (text != nullptr) CurrentDebugOutput().Write(text);
}

}  // namespace lumenrt::platform
