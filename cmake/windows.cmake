# The 32-bit Windows build (MinGW-w64, cmake/toolchain-i686-w64-mingw32.cmake; scripts/test-windows).
#
# Included from the top CMakeLists.txt in place of the SQLite look-up when WIN32 is set. What differs
# from the Linux build:
# - the platform layer compiles its *_windows.cpp files and the string table (lumenrt/platform/*.rc)
#   instead of *_posix.cpp and the SQLite registry store (cmake/library.cmake picks them); the
#   registry lives in the Windows registry, so there is no SQLite;
# - libcrypto is a static, cross-built one, which needs Winsock and the crypto API;
# - the C++ run-time (libstdc++, libgcc) stays shared: an exception thrown in lumenrt.dll and caught in
#   its caller must meet one run-time. Its DLLs are copied beside the executables;
# - the ELF-only devices of the Linux build (the version script, --no-undefined layer links, the
#   package checks) are left out; PE links fail on an unresolved symbol anyway, and LUMENRT_EXPORT
#   gives the DLL's export table, which the test exported_symbols compares with the checked-in list
#   of the architecture (objdump on the build machine, cmake/tests.cmake);
# - test files that exercise Linux-only behaviour are left out of the suites (the list below).

# No SQLite on Windows: an empty stand-in keeps the link lines of every target as they are.
add_library(SQLite::SQLite3 INTERFACE IMPORTED)

# CLI11 is header-only: the build machine's headers serve, copied into the build folder (its package
# would put the whole of /usr/include on the include path). The target defined here is the one
# cmake/tool.cmake's find_package then finds already made.
find_path(LUMENRT_CLI11_CONFIG_DIR CLI11Config.cmake PATHS /usr/share/cmake/CLI11 /usr/lib/cmake/CLI11
  NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
set(CLI11_DIR ${LUMENRT_CLI11_CONFIG_DIR})
file(COPY /usr/include/CLI DESTINATION ${PROJECT_BINARY_DIR}/cli11/include)
add_library(CLI11::CLI11 INTERFACE IMPORTED)
set_target_properties(CLI11::CLI11 PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${PROJECT_BINARY_DIR}/cli11/include)
# nlohmann-json likewise, for the tool's --json output.
file(COPY /usr/include/nlohmann DESTINATION ${PROJECT_BINARY_DIR}/nlohmann-json/include)
add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
set_target_properties(nlohmann_json::nlohmann_json PROPERTIES
  INTERFACE_INCLUDE_DIRECTORIES ${PROJECT_BINARY_DIR}/nlohmann-json/include)

# The low-level DES, Blowfish, AES and MD5 functions are deprecated in OpenSSL 3; they are what the
# ciphers are made of.
add_compile_definitions(OPENSSL_SUPPRESS_DEPRECATED=)  # empty, as the sources' own #define

# The 32-bit build assumes SSE2 (every processor Windows still runs on has it): the ciphers' vector
# helpers pass vectors by value.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  add_compile_options(-msse2)
endif()

# lumenrt.dll, lumenrt-recorder.dll: no "lib" prefix for the library and the modules.
set(CMAKE_SHARED_LIBRARY_PREFIX "")
set(CMAKE_SHARED_MODULE_PREFIX "")
# Modules land beside the executables, where Windows looks for DLLs first.
set(CMAKE_LIBRARY_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/bin)

# Windows system libraries: Winsock (sockets, libcrypto), the registry and event services, string
# tables, the crypto API (libcrypto's random seeding).
set(LUMENRT_WINDOWS_SYSTEM_LIBS ws2_32 advapi32 user32 crypt32 bcrypt)

# The C++ run-time DLLs, beside the executables so that Wine and Windows find them.
file(MAKE_DIRECTORY ${PROJECT_BINARY_DIR}/bin)
# (libgcc_s_dw2-1.dll in 32 bits, libgcc_s_seh-1.dll in 64 bits)
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(LUMENRT_LIBGCC_DLL libgcc_s_seh-1.dll)
else()
  set(LUMENRT_LIBGCC_DLL libgcc_s_dw2-1.dll)
endif()
foreach(dll libstdc++-6.dll ${LUMENRT_LIBGCC_DLL} libwinpthread-1.dll)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
    OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT IS_ABSOLUTE "${path}" OR NOT EXISTS "${path}")
    find_file(path ${dll} PATHS /usr/${LUMENRT_MINGW_TRIPLE}/lib /usr/lib/gcc/${LUMENRT_MINGW_TRIPLE}
      PATH_SUFFIXES 12-posix NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
  endif()
  if(NOT EXISTS "${path}")
    message(FATAL_ERROR "the MinGW run-time DLL ${dll} was not found")
  endif()
  file(COPY ${path} DESTINATION ${PROJECT_BINARY_DIR}/bin)
  unset(path CACHE)
endforeach()

# Test files that stay on Linux (regular expressions on their paths):
# - tests/platform/registry_store_test.cpp: the SQLite store's files, journal and locking;
# - tests/core/registry_values_test.cpp: values through the SQLite store's files;
# - tests/system/icmp_live_test.cpp: network namespaces with raw sockets;
# - tests/timelog/log_writer_reliability_test.cpp: writers killed with SIGKILL (fork);
# - tests/tools/: the tool run through /bin/sh with POSIX redirections; the Windows tool is checked
#   against the Linux one byte for byte instead (scripts/compare-windows-tool);
# - tests/system/remove_tree_test.cpp: POSIX modes, mounts, resource limits and forked walkers (the
#   Windows walk has its own tests under tests/platform/windows/);
# - tests/**/*_posix_test.cpp: tests of a POSIX implementation of a platform service.
set(LUMENRT_LINUX_ONLY_TESTS
  "_posix_test\\.cpp$"
  "/tests/platform/registry_store_test\\.cpp$"
  "/tests/core/registry_values_test\\.cpp$"
  "/tests/system/icmp_live_test\\.cpp$"
  "/tests/timelog/log_writer_reliability_test\\.cpp$"
  "/tests/tools/"
  "/tests/system/remove_tree_test\\.cpp$")

# Fix-ups once every target exists.
function(lumenrt_windows_finish)
  # The static libcrypto's own needs come after it on every link line.
  set_property(TARGET OpenSSL::Crypto APPEND PROPERTY INTERFACE_LINK_LIBRARIES ws2_32 crypt32 bcrypt)
  target_link_libraries(lumenrt_platform PUBLIC ${LUMENRT_WINDOWS_SYSTEM_LIBS})
  target_link_libraries(lumenrt PRIVATE ${LUMENRT_WINDOWS_SYSTEM_LIBS})
  target_link_libraries(lumenrt_tool PRIVATE ws2_32)  # the trace command's sockets
  target_link_libraries(lumenrt_internal INTERFACE ${LUMENRT_WINDOWS_SYSTEM_LIBS})
  # What links the library's objects themselves (the test executables) defines what LUMENRT_EXPORT
  # marks, instead of importing it from lumenrt.dll.
  target_compile_definitions(lumenrt_internal INTERFACE LUMENRT_BUILDING)
  # The string table of the library's own message formats, compiled with windres into the platform
  # layer, so that the DLL and the test executables (which link the objects) both carry it.
  file(GLOB rc_files ${PROJECT_SOURCE_DIR}/lumenrt/platform/*.rc)
  if(rc_files)
    target_sources(lumenrt_platform PRIVATE ${rc_files})
  endif()
  set_target_properties(lumenrt PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/bin)
endfunction()
cmake_language(DEFER DIRECTORY ${PROJECT_SOURCE_DIR} CALL lumenrt_windows_finish)

# The 32-bit build's check of the entry points' calling convention
# (lumenrt/plugins/entry_point_checks.cpp) compares types; prove that the comparison tells the two
# conventions apart: a C-convention function must not pass for an entry point.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)
  try_compile(LUMENRT_CDECL_PASSES_FOR_STDCALL ${PROJECT_BINARY_DIR}/checks/cdecl_entry_point
    SOURCES ${PROJECT_SOURCE_DIR}/cmake/checks/cdecl_entry_point.cpp
    CMAKE_FLAGS "-DINCLUDE_DIRECTORIES=${PROJECT_SOURCE_DIR}"
    COMPILE_DEFINITIONS -DLUMENRT_BUILDING
    CXX_STANDARD 20)
  unset(CMAKE_TRY_COMPILE_TARGET_TYPE)
  if(LUMENRT_CDECL_PASSES_FOR_STDCALL)
    message(FATAL_ERROR "a C-convention function passes for a module entry point: the entry-point types lack __stdcall")
  endif()
endif()
