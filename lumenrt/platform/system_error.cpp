#include "lumenrt/platform/system_error.h"

#include "lumenrt/platform/internal/substitution.h"

namespace lumenrt::platform {
namespace {
constinit Substitution<ErrorTexts> g_substitute;
}  // namespace

ErrorTexts::~ErrorTexts() = default;

ErrorTexts& CurrentErrorTexts() { return g_substitute.Current(SystemErrorTexts()); }

ErrorTexts* SubstituteErrorTexts(ErrorTexts* texts) { return g_substitute.Exchange(texts); }

}  // namespace lumenrt::platform
