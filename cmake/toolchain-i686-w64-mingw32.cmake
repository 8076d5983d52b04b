# Cross-building lumenrt for 32-bit Windows with MinGW-w64 (Debian's g++-mingw-w64-i686-posix).
#
# The posix thread model compilers are used: the win32 model has no std::thread or std::mutex.
# Test executables run through Wine (CMAKE_CROSSCOMPILING_EMULATOR), so ctest and GoogleTest's
# test discovery work as on Linux. Cross-built libraries (libcrypto, GoogleTest) are found through
# CMAKE_FIND_ROOT_PATH: scripts/test-windows passes their prefixes in LUMENRT_CROSS_PREFIXES
# (a ;-separated list). Only the cross prefixes are searched for libraries, headers and packages,
# never the build machine's.
#
# cmake/toolchain-x86_64-w64-mingw32.cmake reuses this file for the 64-bit build that runs the tests
# under 64-bit Wine on machines that cannot execute 32-bit programs (see scripts/test-windows).
set(CMAKE_SYSTEM_NAME Windows)
if(NOT LUMENRT_MINGW_TRIPLE)
  set(LUMENRT_MINGW_TRIPLE i686-w64-mingw32)
  set(CMAKE_SYSTEM_PROCESSOR x86)
  set(LUMENRT_WINE_NAMES wine)
endif()
set(CMAKE_C_COMPILER ${LUMENRT_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${LUMENRT_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${LUMENRT_MINGW_TRIPLE}-windres)

find_program(LUMENRT_WINE NAMES ${LUMENRT_WINE_NAMES} PATHS /usr/lib/wine REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${LUMENRT_WINE})

# Try-compile projects see the prefixes too.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES LUMENRT_CROSS_PREFIXES LUMENRT_MINGW_TRIPLE
  LUMENRT_WINE_NAMES)
set(CMAKE_FIND_ROOT_PATH /usr/${LUMENRT_MINGW_TRIPLE} ${LUMENRT_CROSS_PREFIXES})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
