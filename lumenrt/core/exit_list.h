// The library's exit list: what unloading the library (or the end of the process) destroys, last
// added first.
//
// The list is the run-time's own exit list, kept per module: an action added here runs when this
// library is unloaded (dlclose of its last reference, or process exit), interleaved with the
// destructors of the library's namespace-scope objects in the reverse of the order in which each
// was added or finished construction. The start-up globals enter it as they are built; objects built
// on first use (the plug-in registry, the Exchange backup work area) add their destroying action at
// the moment they are built, so they are destroyed before every start-up global.
//
// The exit observer is a hook for hosts and tests: every destroying action that names itself calls
// NoteExit, which hands the name to the observer installed, if any. It lets a test prove the order of
// teardown from outside the library. The observer must stay callable until the library is unloaded.
//
// Adding to the list and naming a destroyed object are the library's own business
// (lumenrt/core/internal/exit_actions.h); SetExitObserver may be called on any thread.
#pragma once

#include "lumenrt/platform/export.h"

namespace lumenrt {

// Receives one text per destroyed object: "global N" for start-up global N (1 to 17), "plug-in
// registry", "Exchange backup work area".
using ExitObserver = void (*)(const char* what);

// Installs observer (null: none) and returns the one installed before.
LUMENRT_EXPORT ExitObserver SetExitObserver(ExitObserver observer);

}  // namespace lumenrt
