// Plugins::Word: the width of an opaque argument or result of the plug-in interfaces.
//
// Many slots of the plug-in interfaces take or give a value whose meaning belongs to the plug-in
// (a context value, the values handed through to a module's raw-backup entry points, the arguments
// of reserved slots). On the agent's original platform such a value was 32 bits wide and could carry
// a pointer as well as a number; here it is as wide as a pointer so that it still can. Numbers whose
// meaning the library knows (flags, counts, token types, handles, results) stay 32-bit int32.
#pragma once

#include <cstdint>

namespace Plugins {

using Word = std::intptr_t;

}  // namespace Plugins
