// WriteToInstalledSink: hands a text to the sink a host installed with SetDebugOutputSink, if any.
// Every system's debug output calls it (on systems without a debugger channel it is the only place
// texts go). Thread-safe; a sink replaced meanwhile finishes the write it started.
#pragma once

namespace lumenrt::platform {

void WriteToInstalledSink(const char* text);

}  // namespace lumenrt::platform
