# Installation: the library, its public headers (every header outside an internal/ folder) in the
# same tree, a CMake package and a pkg-config file; the tool with its manual page and bash completion
# (the recording module installs from modules/recorder).
include(CMakePackageConfigHelpers)
install(TARGETS lumenrt EXPORT lumenrtTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS lumenrt_tool RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
file(GLOB_RECURSE LUMENRT_HEADERS CONFIGURE_DEPENDS RELATIVE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/lumenrt/*.h)
foreach(h ${LUMENRT_HEADERS})
  if(h MATCHES "/internal/")
    continue()
  endif()
  get_filename_component(d ${h} DIRECTORY)
  install(FILES ${h} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/${d})
endforeach()
install(EXPORT lumenrtTargets NAMESPACE lumenrt:: DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/lumenrt)
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/lumenrtConfig.cmake.in
  ${PROJECT_BINARY_DIR}/lumenrtConfig.cmake
  INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/lumenrt)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/lumenrtConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/lumenrtConfig.cmake ${PROJECT_BINARY_DIR}/lumenrtConfigVersion.cmake
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/lumenrt)
configure_file(${PROJECT_SOURCE_DIR}/cmake/lumenrt.pc.in ${PROJECT_BINARY_DIR}/lumenrt.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/lumenrt.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

# The tool's manual page (help2man, from `lumenrt --help` and `lumenrt --version`) and its bash
# completion (`lumenrt completion bash`), both made by running the built tool: not when
# cross-compiling. The manual page only where help2man is installed.
if(NOT CMAKE_CROSSCOMPILING)
  set(completion ${PROJECT_BINARY_DIR}/share/bash-completion/completions/lumenrt)
  add_custom_command(OUTPUT ${completion}
    COMMAND ${CMAKE_COMMAND} -DTOOL=$<TARGET_FILE:lumenrt_tool> -DOUTPUT=${completion}
      -P ${PROJECT_SOURCE_DIR}/cmake/completion.cmake
    DEPENDS lumenrt_tool ${PROJECT_SOURCE_DIR}/cmake/completion.cmake
    COMMENT "Generating the bash completion of lumenrt"
    VERBATIM)
  add_custom_target(lumenrt_completion ALL DEPENDS ${completion})
  install(FILES ${completion} DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)

  find_program(LUMENRT_HELP2MAN help2man)
  if(LUMENRT_HELP2MAN)
    set(manual ${PROJECT_BINARY_DIR}/share/man/man1/lumenrt.1)
    configure_file(${PROJECT_SOURCE_DIR}/cmake/lumenrt.h2m.in ${PROJECT_BINARY_DIR}/lumenrt.h2m @ONLY)
    add_custom_command(OUTPUT ${manual}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/share/man/man1
      COMMAND ${LUMENRT_HELP2MAN} --no-info --section=1
        "--name=the backup agent's runtime library in a user's hands"
        --include=${PROJECT_BINARY_DIR}/lumenrt.h2m --output=${manual}
        $<TARGET_FILE:lumenrt_tool>
      DEPENDS lumenrt_tool ${PROJECT_BINARY_DIR}/lumenrt.h2m
      COMMENT "Generating the manual page of lumenrt"
      VERBATIM)
    add_custom_target(lumenrt_manual ALL DEPENDS ${manual})
    install(FILES ${manual} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  endif()
endif()
