#include "lumenrt/platform/system_error.h"

#include "lumenrt/platform/substitution.h"

namespace lumenrt {
namespace {
platform::Substitution<SystemErrorEnv> g_env;
}  // namespace

SystemErrorEnv::~SystemErrorEnv() = default;

SystemErrorEnv& CurrentSystemErrorEnv() { return g_env.Current(DefaultSystemErrorEnv()); }

SystemErrorEnv* SetSystemErrorEnv(SystemErrorEnv* env) { return g_env.Exchange(env); }

}  // namespace lumenrt
