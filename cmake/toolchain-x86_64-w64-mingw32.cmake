# The 64-bit Windows build (x86_64-w64-mingw32, posix thread model), run under 64-bit Wine: the
# same settings as the 32-bit toolchain file. Wine's 64-bit loader lies in /usr/lib/wine.
set(LUMENRT_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(LUMENRT_WINE_NAMES wine64)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-i686-w64-mingw32.cmake)
