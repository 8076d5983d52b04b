// The debug output: where trace lines go (the debugger's output channel on systems that have one).
//
// By default the text goes nowhere. A host or a test installs a sink, which then receives every
// text as written (trace lines carry their own line feed).
//
// Thread safety: WriteDebugOutput and SetDebugOutputSink may be called on any thread; a sink that
// is replaced while a write is under way finishes that write.
#pragma once

#include <functional>

namespace lumenrt {

using DebugOutputSink = std::function<void(const char* text)>;

// Hands text to the installed sink; without one, or for a null text, does nothing.
void WriteDebugOutput(const char* text);

// Installs sink (an empty function: nowhere) and returns the one installed before.
DebugOutputSink SetDebugOutputSink(DebugOutputSink sink);

// A ready-made sink for hosts: writes the text to standard error.
void DebugOutputToStandardError(const char* text);

}  // namespace lumenrt
