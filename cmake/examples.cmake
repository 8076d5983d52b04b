# The example plug-in modules of examples/: built with the project, their sources installed with a
# CMakeLists.txt that builds them against the installed package, and loaded by the tests.
add_subdirectory(examples)
install(FILES examples/CMakeLists.txt examples/factory_module.cpp examples/mailbox_module.cpp
  DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples)
# Authors' modules link with lumenrt_plain_exports() too: the package brings it.
install(FILES cmake/module_exports.cmake DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/lumenrt)

foreach(suite test_plugins test_tools)
  if(LUMENRT_TESTS AND TARGET ${suite})
    add_dependencies(${suite} example_factory_module example_mailbox_module)
    target_compile_definitions(${suite} PRIVATE
      LUMENRT_EXAMPLE_FACTORY_MODULE="$<TARGET_FILE:example_factory_module>"
      LUMENRT_EXAMPLE_MAILBOX_MODULE="$<TARGET_FILE:example_mailbox_module>")
  endif()
endforeach()
