#include <atomic>
#include <cstdlib>
#include <new>

#include "lumenrt/core/internal/exit_actions.h"

namespace lumenrt {
namespace {

// Constant-initialized and trivially destructible: usable until the last exit action has run.
constinit std::atomic<ExitObserver> g_observer{nullptr};

}  // namespace

void AddExitAction(ExitAction action) {
  // std::atexit inside a shared object registers with that object's handle, so the action runs when
  // the library is unloaded, not only when the process ends.
  if (std::atexit(action) != 0) throw std::bad_alloc();
}

ExitObserver SetExitObserver(ExitObserver observer) { return g_observer.exchange(observer); }

void NoteExit(const char* what) {
  ExitObserver observer = g_observer.load();
  if (observer != nullptr && what != nullptr) observer(what);
}

}  // namespace lumenrt
