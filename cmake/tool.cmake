# The command-line tool's argument parsing: CLI11, header-only (Debian's libcli11-dev).
find_package(CLI11 CONFIG REQUIRED)
target_link_libraries(lumenrt_tool PRIVATE CLI11::CLI11)
