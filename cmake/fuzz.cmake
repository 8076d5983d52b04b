# Fuzz targets: fuzz/<name>_fuzz.cpp, each defining LLVMFuzzerTestOneInput, with a seed corpus in
# fuzz/corpus/<name>/. A new target and its corpus need no edit here.
file(GLOB LUMENRT_FUZZ_SOURCES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/fuzz/*_fuzz.cpp)

# Every build replays each target's corpus as a test (under the sanitizers in the asan build): the
# target's own file linked with a driver that runs it once per stored input.
if(LUMENRT_TESTS)
  foreach(src ${LUMENRT_FUZZ_SOURCES})
    get_filename_component(target ${src} NAME_WE)
    string(REGEX REPLACE "_fuzz$" "" name ${target})
    add_executable(replay_${name} ${src} ${PROJECT_SOURCE_DIR}/fuzz/replay_main.cpp)
    target_link_libraries(replay_${name} PRIVATE lumenrt_internal lumenrt_warnings OpenSSL::Crypto SQLite::SQLite3
      ${CMAKE_DL_LIBS})
    add_test(NAME fuzz_replay_${name} COMMAND replay_${name} ${PROJECT_SOURCE_DIR}/fuzz/corpus/${name})
  endforeach()
endif()

# libFuzzer executables (clang, the fuzz preset). The library's sources are compiled once into a
# static library with the fuzzer's instrumentation: the sanitizer runtime links into executables only.
if(LUMENRT_FUZZ)
  add_library(lumenrt_fuzzed STATIC ${LUMENRT_SOURCES})
  target_include_directories(lumenrt_fuzzed PUBLIC ${PROJECT_SOURCE_DIR})
  target_compile_features(lumenrt_fuzzed PUBLIC cxx_std_20)
  target_compile_options(lumenrt_fuzzed PUBLIC -fsanitize=fuzzer-no-link,address,undefined
    -fno-omit-frame-pointer)
  target_link_libraries(lumenrt_fuzzed PUBLIC OpenSSL::Crypto SQLite::SQLite3 Threads::Threads
    ${CMAKE_DL_LIBS})
  foreach(src ${LUMENRT_FUZZ_SOURCES})
    get_filename_component(name ${src} NAME_WE)
    add_executable(${name} ${src})
    target_compile_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
    target_link_libraries(${name} PRIVATE lumenrt_fuzzed)
  endforeach()
endif()
