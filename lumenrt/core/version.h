// The library's version: the numbers a component was compiled against (the macros) and the numbers
// of the library it runs with (Version()).
//
// The macros follow the package version in the top CMakeLists.txt; configuring fails when the two
// differ, so the header, the shared library's file name, the CMake package and the pkg-config file
// all carry one version.
#pragma once

#include "lumenrt/platform/export.h"

#define LUMENRT_VERSION_MAJOR 0
#define LUMENRT_VERSION_MINOR 1
#define LUMENRT_VERSION_PATCH 0

namespace lumenrt {

// "MAJOR.MINOR.PATCH" of the loaded library, for instance "0.1.0"; a static text.
LUMENRT_EXPORT const char* Version();

}  // namespace lumenrt
