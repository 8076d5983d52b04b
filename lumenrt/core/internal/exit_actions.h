// The library's side of its exit list (lumenrt/core/exit_list.h): adding a destroying action and
// naming what it destroyed to the exit observer.
//
// Threads: both run on the thread that loads, first uses or unloads the library.
// Failure: AddExitAction raises std::bad_alloc when the run-time cannot record the action (the
// object it was to destroy is then left to the caller).
#pragma once

#include "lumenrt/core/exit_list.h"

namespace lumenrt {

using ExitAction = void (*)();

// Adds action to the exit list of this library.
void AddExitAction(ExitAction action);

// Hands what to the installed observer; without one does nothing.
void NoteExit(const char* what);

}  // namespace lumenrt
