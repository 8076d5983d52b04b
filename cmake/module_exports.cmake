# lumenrt_plain_exports(TARGET...): a module's entry points are exported under their plain names.
#
# 32-bit Windows decorates a standard-call function's name with its argument bytes
# (exch_dispatch@24); modules built for the agent export the plain name, which is what the library
# looks up. --kill-at gives the plain names. Elsewhere names are never decorated.
function(lumenrt_plain_exports)
  if(WIN32 AND CMAKE_SIZEOF_VOID_P EQUAL 4)
    foreach(target ${ARGN})
      target_link_options(${target} PRIVATE -Wl,--kill-at)
    endforeach()
  endif()
endfunction()
