// ExchConfigImpl: the configuration object of the Exchange database adapter (ConfigAdapter's
// slots: a context value, and extendConfig answering the service it is given).
#pragma once

#include "lumenrt/plugins/adapter_defaults.h"

class LUMENRT_EXPORT ExchConfigImpl : public lumenrt::ConfigAdapter {};
