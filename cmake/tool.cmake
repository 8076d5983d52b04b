# The command-line tool's argument parsing: CLI11, header-only (Debian's libcli11-dev).
find_package(CLI11 CONFIG REQUIRED)
target_link_libraries(lumenrt_tool PRIVATE CLI11::CLI11)
# Its --json output: nlohmann-json, header-only (Debian's nlohmann-json3-dev); the Windows build
# defines the target itself (cmake/windows.cmake).
if(NOT TARGET nlohmann_json::nlohmann_json)
  find_package(nlohmann_json 3 CONFIG REQUIRED)
endif()
target_link_libraries(lumenrt_tool PRIVATE nlohmann_json::nlohmann_json)

# The tool's files compile as one unit: each of them includes CLI11, whose header alone costs several
# seconds of compiling per file (its validators are objects built in every file that includes it).
set_target_properties(lumenrt_tool PROPERTIES UNITY_BUILD ON UNITY_BUILD_BATCH_SIZE 0)
if(WIN32)
  # One unit means one order of system headers: <windows.h> must then leave Winsock 1 out for the
  # network commands' <winsock2.h>.
  target_compile_definitions(lumenrt_tool PRIVATE WIN32_LEAN_AND_MEAN)
endif()

# Installed, the tool finds the library in <prefix>/<libdir> and the recording module in
# <prefix>/<libdir>/lumenrt (modules/recorder), both relative to its own folder, wherever the prefix is.
set_target_properties(lumenrt_tool PROPERTIES INSTALL_RPATH "$ORIGIN/../${CMAKE_INSTALL_LIBDIR}")
