// MapiConfigImpl: the configuration object of the Exchange mailbox adapter (ConfigAdapter's slots;
// a null service raises the same text as the Exchange database adapter's).
#pragma once

#include "lumenrt/plugins/adapter_defaults.h"

class LUMENRT_EXPORT MapiConfigImpl : public lumenrt::ConfigAdapter {};
