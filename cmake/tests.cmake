# The test suites: one GoogleTest executable per folder under tests/ (tests/<folder>/**/*.cpp), named
# test_<folder>.
#
# Linking: a test executable links lumenrt_internal, the library's objects themselves, so it reaches
# internal headers and functions; no liblumenrt.so is loaded into it. A shared module that a test
# loads with dlopen and that calls the library links `lumenrt` (liblumenrt.so), and so gets the
# library's exported API of its own. A folder listed in LUMENRT_SHARED_TESTS links `lumenrt` instead
# (public API only), for tests whose modules must share the library's state with the test itself.
find_package(GTest REQUIRED)
include(GoogleTest)

# tests/plugins: its plug-in modules build log errors with the library and look up its entry tables,
# so they must meet the same library as the test; it sees the public interface only. What of the
# plug-in layer's internals needs no loaded module is tested in tests/plugin_internals (objects).
set(LUMENRT_SHARED_TESTS plugins)

file(GLOB LUMENRT_TEST_DIRS LIST_DIRECTORIES true CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/*)
foreach(dir ${LUMENRT_TEST_DIRS})
  if(NOT IS_DIRECTORY ${dir})
    continue()
  endif()
  get_filename_component(sub ${dir} NAME)
  file(GLOB_RECURSE srcs CONFIGURE_DEPENDS ${dir}/*.cpp)
  # Tests of the Windows implementations live in windows/ folders; some Linux tests stay on Linux
  # (LUMENRT_LINUX_ONLY_TESTS, cmake/windows.cmake).
  if(WIN32)
    foreach(linux_only ${LUMENRT_LINUX_ONLY_TESTS})
      list(FILTER srcs EXCLUDE REGEX "${linux_only}")
    endforeach()
  else()
    list(FILTER srcs EXCLUDE REGEX "/windows/")
  endif()
  if(NOT srcs)
    continue()
  endif()
  add_executable(test_${sub} ${srcs})
  # The test code itself is compiled without optimisation, whatever the build type: it compiles about
  # three times faster, and what it tests, the library's objects, keeps the build's optimisation.
  target_compile_options(test_${sub} PRIVATE -O0)
  target_include_directories(test_${sub} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  target_precompile_headers(test_${sub} PRIVATE <gtest/gtest.h> <gmock/gmock.h>)
  if(sub IN_LIST LUMENRT_SHARED_TESTS)
    target_link_libraries(test_${sub} PRIVATE lumenrt)
  else()
    target_link_libraries(test_${sub} PRIVATE lumenrt_internal)
  endif()
  target_link_libraries(test_${sub} PRIVATE lumenrt_warnings GTest::gtest GTest::gmock GTest::gtest_main
    OpenSSL::Crypto SQLite::SQLite3 ${CMAKE_DL_LIBS})
  target_compile_definitions(test_${sub} PRIVATE
    LUMENRT_TEST_DATA_DIR="${PROJECT_SOURCE_DIR}/tests/data"
    LUMENRT_TOOL_PATH="$<TARGET_FILE:lumenrt_tool>"
    LUMENRT_PACKAGE_VERSION="${PROJECT_VERSION}")
  add_dependencies(test_${sub} lumenrt_tool)
  if(sub STREQUAL "tools")
    target_link_libraries(test_tools PRIVATE nlohmann_json::nlohmann_json)  # parses the tool's --json
  endif()
  gtest_discover_tests(test_${sub} DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "LUMENRT_TEST_BUILD_DIR=${PROJECT_BINARY_DIR}")
endforeach()

if(NOT LUMENRT_SANITIZE AND NOT LUMENRT_TSAN AND NOT WIN32)
  # The installed library, package files and tool (tests/package/check.sh).
  add_test(NAME package_install
    COMMAND ${PROJECT_SOURCE_DIR}/tests/package/check.sh ${PROJECT_BINARY_DIR} ${PROJECT_VERSION})
  # A parent project that builds the library with add_subdirectory(); its build folder stays in this
  # build's, so that a second run only builds what changed.
  add_test(NAME package_subproject
    COMMAND ${PROJECT_SOURCE_DIR}/tests/package/check_subproject.sh ${PROJECT_SOURCE_DIR}
      ${PROJECT_BINARY_DIR}/package-subproject ${PROJECT_VERSION})
  set_tests_properties(package_subproject PROPERTIES TIMEOUT 1500)
endif()

# Layer discipline of the sources (see cmake/library.cmake).
add_test(NAME layer_includes
  COMMAND ${CMAKE_COMMAND} -DROOT=${PROJECT_SOURCE_DIR} -P ${PROJECT_SOURCE_DIR}/cmake/check_layers.cmake)

# The shared library exports its public interface and nothing else: exactly the checked-in list of
# tests/package (exports-linux.txt; the sanitizer builds check only that no internals leak, their
# instrumentation exporting symbols of its own). On Windows, the DLL's export table against the list
# of its architecture; the check is a script of the build machine, not a program run under Wine.
if(WIN32)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(exports_list ${PROJECT_SOURCE_DIR}/tests/package/exports-windows-x86_64.txt)
  else()
    set(exports_list ${PROJECT_SOURCE_DIR}/tests/package/exports-windows-i686.txt)
  endif()
  add_test(NAME exported_symbols
    COMMAND bash ${PROJECT_SOURCE_DIR}/tests/package/check_exports.sh --pe ${CMAKE_OBJDUMP} $<TARGET_FILE:lumenrt>
      ${exports_list})
elseif(LUMENRT_SANITIZE OR LUMENRT_TSAN)
  add_test(NAME exported_symbols
    COMMAND ${PROJECT_SOURCE_DIR}/tests/package/check_exports.sh $<TARGET_FILE:lumenrt>)
else()
  add_test(NAME exported_symbols
    COMMAND ${PROJECT_SOURCE_DIR}/tests/package/check_exports.sh $<TARGET_FILE:lumenrt>
      ${PROJECT_SOURCE_DIR}/tests/package/exports-linux.txt)
endif()
