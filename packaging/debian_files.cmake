# Run by cpack on its staging folder before packing: for the .deb, adds the
# copyright file and the changelog to the documents, compresses the man pages
# and the changelog as Debian wants (gzip -9n: no name, no time) and strips
# the static libraries of their debugging sections, as dh_strip does.
if(NOT CPACK_GENERATOR STREQUAL "DEB")
  return()
endif()
set(root "${CPACK_TEMPORARY_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX}")
file(COPY ${CPACK_MODRASK_DEBIAN_DOCS} DESTINATION "${root}/${CPACK_MODRASK_DOCDIR}")
file(GLOB pages "${root}/${CPACK_MODRASK_MANDIR}/man*/*")
foreach(file IN LISTS pages ITEMS "${root}/${CPACK_MODRASK_DOCDIR}/changelog")
  execute_process(COMMAND gzip -9n "${file}" RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "gzip ${file} failed: ${rc}")
  endif()
endforeach()
file(GLOB libraries "${root}/${CPACK_MODRASK_LIBDIR}/*.a")
foreach(library IN LISTS libraries)
  execute_process(COMMAND "${CPACK_MODRASK_STRIP}" --strip-debug --remove-section=.comment
                          --remove-section=.note "${library}" RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "strip ${library} failed: ${rc}")
  endif()
endforeach()
