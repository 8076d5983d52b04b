# The recording module: a stand-in for the two Exchange modules that records every call into it.
# One build exports both families' entry points and ships beside the tool (lumenrt plugins options
# loads it from the tool's own folder); the tests build three variants of it.
set(LUMENRT_RECORDER_SOURCE ${CMAKE_SOURCE_DIR}/tools/lumenrt/recorder/recording_module.cpp)

add_library(lumenrt_recorder MODULE ${LUMENRT_RECORDER_SOURCE})
target_compile_definitions(lumenrt_recorder PRIVATE RECORD_EXCH RECORD_MAPI)
target_link_libraries(lumenrt_recorder PRIVATE lumenrt lumenrt_warnings)
set_target_properties(lumenrt_recorder PROPERTIES
  PREFIX ""
  OUTPUT_NAME lumenrt-recorder
  LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin
  INSTALL_RPATH "$ORIGIN/../${CMAKE_INSTALL_LIBDIR}")
add_dependencies(lumenrt_tool lumenrt_recorder)
lumenrt_plain_exports(lumenrt_recorder)
install(TARGETS lumenrt_recorder LIBRARY DESTINATION ${CMAKE_INSTALL_BINDIR})

if(LUMENRT_TESTS AND TARGET test_plugins)
  foreach(variant exch mapi partial)
    add_library(plug_${variant}_module MODULE ${LUMENRT_RECORDER_SOURCE})
    target_link_libraries(plug_${variant}_module PRIVATE lumenrt lumenrt_warnings)
    add_dependencies(test_plugins plug_${variant}_module)
    lumenrt_plain_exports(plug_${variant}_module)
  endforeach()
  target_compile_definitions(plug_exch_module PRIVATE RECORD_EXCH)
  target_compile_definitions(plug_mapi_module PRIVATE RECORD_MAPI)
  target_compile_definitions(plug_partial_module PRIVATE RECORD_EXCH LEAVE_OUT_SOME)
  target_include_directories(test_plugins PRIVATE ${CMAKE_SOURCE_DIR}/tools/lumenrt/recorder)
  target_compile_definitions(test_plugins PRIVATE
    LUMENRT_PLUG_EXCH_MODULE="$<TARGET_FILE:plug_exch_module>"
    LUMENRT_PLUG_MAPI_MODULE="$<TARGET_FILE:plug_mapi_module>"
    LUMENRT_PLUG_PARTIAL_MODULE="$<TARGET_FILE:plug_partial_module>"
    LUMENRT_RECORDER_MODULE="$<TARGET_FILE:lumenrt_recorder>")
endif()
