#include "lumenrt/platform/system_error.h"

#include <atomic>

namespace lumenrt {
namespace {
std::atomic<SystemErrorEnv*> g_env{nullptr};
}  // namespace

SystemErrorEnv::~SystemErrorEnv() = default;

SystemErrorEnv& CurrentSystemErrorEnv() {
  SystemErrorEnv* env = g_env.load(std::memory_order_acquire);
  return env != nullptr ? *env : DefaultSystemErrorEnv();
}

SystemErrorEnv* SetSystemErrorEnv(SystemErrorEnv* env) {
  return g_env.exchange(env, std::memory_order_acq_rel);
}

}  // namespace lumenrt
