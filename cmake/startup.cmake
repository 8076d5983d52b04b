# Library start-up and teardown, the plug-in registry and its loading code: build settings, the
# probe modules of the registry tests and the host that proves the order of unloading.

# The library must really unload on dlclose. Inline variables and template statics in headers would
# otherwise become STB_GNU_UNIQUE symbols, which mark the whole library as never unloading. Every
# target of the project links lumenrt_warnings, so the option reaches them all.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  target_compile_options(lumenrt_warnings INTERFACE $<$<COMPILE_LANGUAGE:CXX>:-fno-gnu-unique>)
endif()

if(LUMENRT_TESTS AND TARGET test_plugins)
  # Probe modules (tests/plugins/modules/probe_module.cc): they include the interface headers but
  # do not link the library.
  foreach(probe exch mapi factory bare)
    add_library(plug_probe_${probe} MODULE tests/plugins/modules/probe_module.cc)
    target_include_directories(plug_probe_${probe} PRIVATE ${PROJECT_SOURCE_DIR})
    target_compile_definitions(plug_probe_${probe} PRIVATE PROBE_NAME="${probe}")
    target_link_libraries(plug_probe_${probe} PRIVATE lumenrt_warnings ${CMAKE_DL_LIBS})
    add_dependencies(test_plugins plug_probe_${probe})
    lumenrt_plain_exports(plug_probe_${probe})
  endforeach()
  target_compile_definitions(plug_probe_exch PRIVATE PROBE_EXCH)
  target_compile_definitions(plug_probe_mapi PRIVATE PROBE_MAPI)
  target_compile_definitions(plug_probe_factory PRIVATE PROBE_FACTORY)
  # A module that raises from where a test tells it (tests/plugins/modules/hostile_module.cc); it
  # links the library to raise the library's own errors too.
  add_library(plug_hostile MODULE tests/plugins/modules/hostile_module.cc)
  target_include_directories(plug_hostile PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(plug_hostile PRIVATE lumenrt lumenrt_warnings)
  add_dependencies(test_plugins plug_hostile)
  lumenrt_plain_exports(plug_hostile)
  target_compile_definitions(test_plugins PRIVATE
    LUMENRT_HOSTILE_MODULE="$<TARGET_FILE:plug_hostile>"
    LUMENRT_PROBE_EXCH_MODULE="$<TARGET_FILE:plug_probe_exch>"
    LUMENRT_PROBE_MAPI_MODULE="$<TARGET_FILE:plug_probe_mapi>"
    LUMENRT_PROBE_FACTORY_MODULE="$<TARGET_FILE:plug_probe_factory>"
    LUMENRT_PROBE_BARE_MODULE="$<TARGET_FILE:plug_probe_bare>")
endif()

if(LUMENRT_TESTS AND TARGET test_startup)
  # A host that loads the library at run time, uses it and unloads it (tests/startup/startup_test.cpp).
  add_executable(plug_unload_probe tests/startup/unload/unload_probe.cc)
  target_include_directories(plug_unload_probe PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(plug_unload_probe PRIVATE lumenrt_warnings ${CMAKE_DL_LIBS})
  add_dependencies(test_startup plug_unload_probe)
  if(TARGET plug_probe_factory)
    add_dependencies(test_startup plug_probe_factory plug_probe_exch plug_probe_mapi)
    target_compile_definitions(test_startup PRIVATE
      LUMENRT_PROBE_FACTORY_MODULE="$<TARGET_FILE:plug_probe_factory>"
      LUMENRT_PROBE_EXCH_MODULE="$<TARGET_FILE:plug_probe_exch>"
      LUMENRT_PROBE_MAPI_MODULE="$<TARGET_FILE:plug_probe_mapi>")
  endif()
  target_compile_definitions(test_startup PRIVATE
    LUMENRT_UNLOAD_PROBE="$<TARGET_FILE:plug_unload_probe>"
    LUMENRT_LIBRARY_FILE="$<TARGET_FILE:lumenrt>")
endif()

if(LUMENRT_TESTS AND TARGET test_tools AND TARGET plug_probe_factory)
  # lumenrt plugins describe loads real modules in tests/tools/plugin_tool_test.cpp.
  add_dependencies(test_tools plug_probe_factory plug_probe_exch plug_hostile)
  target_compile_definitions(test_tools PRIVATE
    LUMENRT_HOSTILE_MODULE="$<TARGET_FILE:plug_hostile>"
    LUMENRT_PROBE_FACTORY_MODULE="$<TARGET_FILE:plug_probe_factory>"
    LUMENRT_PROBE_EXCH_MODULE="$<TARGET_FILE:plug_probe_exch>")
  # A module that the system's loader refuses for a symbol no library defines (plugins check); a
  # Windows DLL cannot be linked with one.
  if(NOT WIN32)
    add_library(plug_unresolved MODULE tests/tools/modules/unresolved_module.cc)
    add_dependencies(test_tools plug_unresolved)
    target_compile_definitions(test_tools PRIVATE LUMENRT_UNRESOLVED_MODULE="$<TARGET_FILE:plug_unresolved>")
  endif()
endif()
