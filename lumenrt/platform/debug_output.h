// The debug output: where trace lines go (the debugger's output channel on systems that have one).
//
// The DebugOutput service in use receives every text as written (trace lines carry their own line
// feed): the system's unless a test substitutes its own (SubstituteDebugOutput). The system's
// service on POSIX systems, which have no such channel, hands the text to the sink a host installs
// (SetDebugOutputSink); by default the text goes nowhere. On Windows it writes the text with
// OutputDebugStringA and hands it to the installed sink as well.
//
// Thread safety: WriteDebugOutput and SetDebugOutputSink may be called on any thread; a sink that
// is replaced while a write is under way finishes that write. Substituting is for start-up and tests.
#pragma once

#include <functional>

#include "lumenrt/platform/export.h"

namespace lumenrt::platform {

class LUMENRT_EXPORT DebugOutput {
 public:
  virtual ~DebugOutput();
  // Writes one text (never null).
  virtual void Write(const char* text) = 0;
};

// The system's debug output. Never destroyed.
LUMENRT_EXPORT DebugOutput& SystemDebugOutput();
// The debug output in use: the substitute when one is set, else the system's.
LUMENRT_EXPORT DebugOutput& CurrentDebugOutput();
// Sets the debug output in use (null restores the system's); returns the previous substitute. The
// caller keeps ownership.
LUMENRT_EXPORT DebugOutput* SubstituteDebugOutput(DebugOutput* output);

using DebugOutputSink = std::function<void(const char* text)>;

// Hands text to the debug output in use; a null text does nothing.
LUMENRT_EXPORT void WriteDebugOutput(const char* text);

// Installs the sink of the system's debug output (an empty function: nowhere) and returns the one
// installed before.
LUMENRT_EXPORT DebugOutputSink SetDebugOutputSink(DebugOutputSink sink);

// A ready-made sink for hosts: writes the text to standard error.
LUMENRT_EXPORT void DebugOutputToStandardError(const char* text);

}  // namespace lumenrt::platform

// The debug output's names as callers above the platform know them.
namespace lumenrt {
using platform::DebugOutputSink;
using platform::DebugOutputToStandardError;
using platform::SetDebugOutputSink;
using platform::WriteDebugOutput;
}  // namespace lumenrt
