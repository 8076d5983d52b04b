// Calls into plug-in module code, so that nothing a module raises outlives the module.
//
// An exception thrown by a module may carry a type, type description and destructor that live in
// the module's own code: once the module is released, catching, copying or ending such an exception
// crashes the process. Whatever leaves a module is therefore turned into a Plugins::PluginException
// made by the library while the module is still loaded:
//   - a PluginException keeps its code and message;
//   - a ZError (thrown as a pointer, which is deleted, or by value) and a std::exception give code 1
//     and "CALL: " followed by their text;
//   - anything else gives code 1 and "CALL raised an exception of a type the library does not know.".
// LoadPluginModule does this for a module's factory function. Hosts wrap their own calls of a
// module's factory and objects in CallIntoModule (for example
// `CallIntoModule("getDescription", [&] { return factory->getDescription(); })`).
//
// Threads: any; the exception belongs to the calling thread.
#pragma once

#include <exception>
#include <utility>

#include "lumenrt/platform/export.h"

namespace lumenrt {

// Only inside a catch handler: raises the exception being handled as a PluginException (see above).
[[noreturn]] LUMENRT_EXPORT void RaiseAsPluginException(const char* call);

// f(), with whatever it raises turned into a PluginException that names `call`. The unwinding of a
// cancelled thread is no exception of the module's and goes on as it is.
template <typename F>
decltype(auto) CallIntoModule(const char* call, F&& f) {
  try {
    return std::forward<F>(f)();
  } catch (...) {
    // No C++ exception (a cancelled thread's unwinding): it goes on as it is.
    if (!std::current_exception()) throw;
    RaiseAsPluginException(call);
  }
}

}  // namespace lumenrt
