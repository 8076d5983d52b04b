# Checks that the library's includes point down the layers (run as a test:
# cmake -DROOT=<source dir> -P cmake/check_layers.cmake).
#
# A file includes headers of its own layer and the layers below it (cmake/layers.cmake); a file's
# layer is its folder under lumenrt/. A public header (one outside an internal/ folder) includes no
# internal header, since internal headers are not installed; nor does what links the shared library.
cmake_minimum_required(VERSION 3.22)
include(${CMAKE_CURRENT_LIST_DIR}/layers.cmake)
set(layers ${LUMENRT_LAYERS})
foreach(layer ${layers})
  set(allowed_${layer} ${LUMENRT_LAYER_BELOW_${layer}} ${layer})
endforeach()

function(layer_of rel out)
  string(REGEX REPLACE "/.*" "" layer ${rel})
  set(${out} ${layer} PARENT_SCOPE)
endfunction()

file(GLOB_RECURSE files RELATIVE ${ROOT}/lumenrt ${ROOT}/lumenrt/*.h ${ROOT}/lumenrt/*.cpp)
set(problems 0)
foreach(rel ${files})
  layer_of(${rel} layer)
  if(NOT layer IN_LIST layers)
    message(SEND_ERROR "lumenrt/${rel}: lies in no layer")
    math(EXPR problems "${problems} + 1")
    continue()
  endif()
  set(public_header FALSE)
  if(rel MATCHES "\\.h$" AND NOT rel MATCHES "/internal/")
    set(public_header TRUE)
  endif()
  file(STRINGS ${ROOT}/lumenrt/${rel} includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"lumenrt/")
  foreach(line ${includes})
    string(REGEX REPLACE "^[^\"]*\"lumenrt/([^\"]*)\".*$" "\\1" target "${line}")
    layer_of(${target} target_layer)
    if(NOT target_layer IN_LIST allowed_${layer})
      message(SEND_ERROR "lumenrt/${rel} (${layer}) includes lumenrt/${target} (${target_layer}): a higher layer")
      math(EXPR problems "${problems} + 1")
    endif()
    if(public_header AND target MATCHES "/internal/")
      message(SEND_ERROR "lumenrt/${rel} is public but includes the internal lumenrt/${target}")
      math(EXPR problems "${problems} + 1")
    endif()
  endforeach()
endforeach()

# What links the shared library (the tool, the bench programs, the modules, the example modules,
# tests/plugins and the package's consumers) sees the public interface only: it includes no internal
# header, whose functions the library does not export.
file(GLOB_RECURSE outside RELATIVE ${ROOT} ${ROOT}/tools/*.h ${ROOT}/tools/*.cpp ${ROOT}/bench/*.cpp
  ${ROOT}/modules/*.h ${ROOT}/modules/*.cc ${ROOT}/modules/*.cpp ${ROOT}/tests/plugins/*.h
  ${ROOT}/tests/plugins/*.cc ${ROOT}/tests/plugins/*.cpp ${ROOT}/tests/package/*.cc ${ROOT}/examples/*.cpp)
foreach(rel ${outside})
  file(STRINGS ${ROOT}/${rel} includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"lumenrt/[^\"]*/internal/")
  foreach(line ${includes})
    message(SEND_ERROR "${rel} links the shared library but includes an internal header: ${line}")
    math(EXPR problems "${problems} + 1")
  endforeach()
endforeach()

if(problems GREATER 0)
  message(FATAL_ERROR "${problems} include(s) against the layers")
endif()
message(STATUS "layer includes ok")
