# Installation: the library, its public headers (every header outside an internal/ folder) in the
# same tree, a CMake package and a pkg-config file.
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
