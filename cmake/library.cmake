# The library, built layer by layer.
#
# The layers and what each may use are described once, in cmake/layers.cmake. Each layer is an object
# library compiled from the sources of its folder (lumenrt/<layer>/, globbed, so a new file needs no
# edit here).
#
# A layer may use only the layers below it. Two checks hold the line:
# - every layer's objects, with the layers below it, are linked into a throw-away shared library with
#   --no-undefined (lumenrt_layer_<layer>), so a call into a higher layer fails the build;
# - the CTest `layer_includes` (cmake/check_layers.cmake) fails on an #include "lumenrt/..." of a
#   higher layer, and on a public header that includes an internal one.
#
# What comes out:
# - lumenrt (liblumenrt.so): every layer, symbols hidden except those marked LUMENRT_EXPORT; what
#   the tool, agents and the package test link.
# - lumenrt_internal (an interface target): every layer's objects linked straight into the target,
#   with the library's include root and dependencies; what the test executables link, so that they
#   reach internals.

include(${CMAKE_CURRENT_LIST_DIR}/layers.cmake)

file(GLOB_RECURSE LUMENRT_SOURCES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/lumenrt/*.cpp)
# Each system compiles its own implementations of the platform services (cmake/windows.cmake).
if(WIN32)
  list(FILTER LUMENRT_SOURCES EXCLUDE REGEX "(_posix|registry_store_sqlite)\\.cpp$")
else()
  list(FILTER LUMENRT_SOURCES EXCLUDE REGEX "_windows\\.cpp$")
endif()

# Sources of each layer.
foreach(src ${LUMENRT_SOURCES})
  file(RELATIVE_PATH rel ${PROJECT_SOURCE_DIR}/lumenrt ${src})
  string(REGEX REPLACE "/.*" "" layer ${rel})
  if(NOT layer IN_LIST LUMENRT_LAYERS)
    message(FATAL_ERROR "lumenrt/${rel} lies in no layer; layers are: ${LUMENRT_LAYERS}")
  endif()
  list(APPEND LUMENRT_LAYER_SOURCES_${layer} ${src})
endforeach()

set(LUMENRT_LAYER_TARGETS "")
set(LUMENRT_LAYER_OBJECTS "")
foreach(layer ${LUMENRT_LAYERS})
  if(NOT LUMENRT_LAYER_SOURCES_${layer})
    continue()
  endif()
  set(target lumenrt_${layer})
  add_library(${target} OBJECT ${LUMENRT_LAYER_SOURCES_${layer}})
  set_target_properties(${target} PROPERTIES
    POSITION_INDEPENDENT_CODE ON
    CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON)
  target_compile_features(${target} PUBLIC cxx_std_20)
  target_compile_definitions(${target} PRIVATE LUMENRT_BUILDING)
  target_include_directories(${target} PUBLIC $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}>)
  target_link_libraries(${target} PRIVATE lumenrt_warnings)
  foreach(below ${LUMENRT_LAYER_BELOW_${layer}})
    if(TARGET lumenrt_${below})
      target_link_libraries(${target} PUBLIC lumenrt_${below})
    endif()
  endforeach()
  list(APPEND LUMENRT_LAYER_TARGETS ${target})
  list(APPEND LUMENRT_LAYER_OBJECTS $<TARGET_OBJECTS:${target}>)
endforeach()

# What the layers need from outside.
target_link_libraries(lumenrt_platform PUBLIC SQLite::SQLite3 Threads::Threads ${CMAKE_DL_LIBS})
target_link_libraries(lumenrt_crypto PUBLIC OpenSSL::Crypto)

# The link check of each layer: its objects and those below it, nothing left undefined, except the
# start-up globals that lower layers use by name: CurrentKeyName and CurrentKeyValue (globals 11 and
# 12) are the configuration lookups' texts, but start-up defines them so that all 17 globals are built
# in one visible order. The check's throw-away libraries give exactly these two a placeholder address.
set(LUMENRT_STARTUP_PROVIDES CurrentKeyName CurrentKeyValue)
set(LUMENRT_STARTUP_PLACEHOLDERS "")
foreach(symbol ${LUMENRT_STARTUP_PROVIDES})
  list(APPEND LUMENRT_STARTUP_PLACEHOLDERS -Wl,--defsym=${symbol}=0)
endforeach()
foreach(layer ${LUMENRT_LAYERS})
  if(NOT TARGET lumenrt_${layer} OR WIN32)  # ELF links only; a PE link fails on any unresolved symbol
    continue()
  endif()
  set(objects $<TARGET_OBJECTS:lumenrt_${layer}>)
  foreach(below ${LUMENRT_LAYER_BELOW_${layer}})
    if(TARGET lumenrt_${below})
      list(APPEND objects $<TARGET_OBJECTS:lumenrt_${below}>)
    endif()
  endforeach()
  add_library(lumenrt_layer_${layer} SHARED ${objects})
  target_link_libraries(lumenrt_layer_${layer} PRIVATE lumenrt_warnings OpenSSL::Crypto SQLite::SQLite3
    Threads::Threads ${CMAKE_DL_LIBS})
  target_link_options(lumenrt_layer_${layer} PRIVATE -Wl,--no-undefined)
  if(NOT layer STREQUAL "startup")
    target_link_options(lumenrt_layer_${layer} PRIVATE ${LUMENRT_STARTUP_PLACEHOLDERS})
  endif()
  set_target_properties(lumenrt_layer_${layer} PROPERTIES LIBRARY_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/layers)
endforeach()

# The shared library.
add_library(lumenrt SHARED ${LUMENRT_LAYER_OBJECTS})
add_library(lumenrt::lumenrt ALIAS lumenrt)
set_target_properties(lumenrt PROPERTIES
  VERSION ${PROJECT_VERSION}
  SOVERSION ${PROJECT_VERSION_MAJOR}
  CXX_VISIBILITY_PRESET hidden
  VISIBILITY_INLINES_HIDDEN ON)
target_compile_features(lumenrt PUBLIC cxx_std_20)
target_include_directories(lumenrt PUBLIC
  $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}>
  $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)
target_link_libraries(lumenrt
  PUBLIC Threads::Threads
  PRIVATE $<BUILD_INTERFACE:lumenrt_warnings> OpenSSL::Crypto SQLite::SQLite3 ${CMAKE_DL_LIBS})
if(NOT WIN32)  # the DLL's export table comes from LUMENRT_EXPORT
  target_link_options(lumenrt PRIVATE -Wl,--no-undefined -Wl,--version-script=${PROJECT_SOURCE_DIR}/cmake/lumenrt.map)
  set_property(TARGET lumenrt APPEND PROPERTY LINK_DEPENDS ${PROJECT_SOURCE_DIR}/cmake/lumenrt.map)
endif()

# The library's objects for the test executables (internals included).
add_library(lumenrt_internal INTERFACE)
target_sources(lumenrt_internal INTERFACE ${LUMENRT_LAYER_OBJECTS})
target_compile_features(lumenrt_internal INTERFACE cxx_std_20)
target_include_directories(lumenrt_internal INTERFACE ${PROJECT_SOURCE_DIR})
target_link_libraries(lumenrt_internal INTERFACE OpenSSL::Crypto SQLite::SQLite3 Threads::Threads ${CMAKE_DL_LIBS})
add_dependencies(lumenrt_internal ${LUMENRT_LAYER_TARGETS})
