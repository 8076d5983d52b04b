// Substitution: the slot through which a test (or a host) replaces one platform service.
//
// Each service keeps one Substitution; `Current` answers the substitute when one is installed, else
// the system's own implementation. Install with `Exchange`, which returns the previous substitute so
// the caller can put it back. The substitute is borrowed, not owned, and must outlive its use.
//
// Thread safety: installing and reading are atomic; replacing a service while another thread is in
// the middle of a call through it is the caller's business.
#pragma once

#include <atomic>

namespace lumenrt::platform {

template <typename Service>
class Substitution {
 public:
  Service& Current(Service& system) const {
    Service* s = slot_.load(std::memory_order_acquire);
    return s != nullptr ? *s : system;
  }
  Service* Exchange(Service* substitute) { return slot_.exchange(substitute, std::memory_order_acq_rel); }

 private:
  std::atomic<Service*> slot_{nullptr};
};

}  // namespace lumenrt::platform
