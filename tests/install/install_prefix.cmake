# Installs the build BUILD (configuration CONFIG) into PREFIX, afresh, and
# checks that every installed program has its man page when MAN_PAGES is on.
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD}" --config "${CONFIG}"
                        --prefix "${PREFIX}"
                RESULT_VARIABLE rc OUTPUT_QUIET)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${rc}")
endif()
if(MAN_PAGES)
  file(GLOB programs RELATIVE "${PREFIX}/bin" "${PREFIX}/bin/*")
  foreach(p IN LISTS programs)
    if(NOT EXISTS "${PREFIX}/share/man/man1/${p}.1")
      message(FATAL_ERROR "${p} is installed without its man page man/${p}.1")
    endif()
  endforeach()
  message(STATUS "man pages of: ${programs}")
endif()
