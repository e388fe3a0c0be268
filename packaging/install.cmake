# What `cmake --install` lays out: the programs in bin; the library for C++
# users (static libraries in lib, public headers under include/modrask, a CMake
# package in lib/cmake/Modrask, lib/pkgconfig/modrask.pc); the man pages; the
# README and the sample file. Included once every program's target exists: a
# program is installed when its target does, and every man/*.1 is installed.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(MODRASK_INCLUDEDIR ${CMAKE_INSTALL_INCLUDEDIR}/modrask)
set(MODRASK_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/Modrask)
# A Windows zip keeps the documents beside bin.
if(WIN32)
  set(MODRASK_DOCDIR .)
else()
  set(MODRASK_DOCDIR ${CMAKE_INSTALL_DOCDIR})
endif()

foreach(program mardex tidex harinfo)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT programs)
  endif()
endforeach()
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/examples/sample.har
        DESTINATION ${MODRASK_DOCDIR} COMPONENT docs)
if(NOT WIN32)
  file(GLOB modrask_man_pages CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/man/*.1)
  install(FILES ${modrask_man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT manpages)
endif()

# The library layers in link order, each exported as Modrask::<layer>. Every
# header of a layer is public except the host-only ones below, which no public
# header includes. Code includes headers as "modrask/har/harmodel.h", so
# consumers get the standard include folder and nothing below it.
set(MODRASK_LAYERS sets har records support)
set(modrask_host_headers records/hostfile.h support/memstat_host.h)
foreach(layer IN LISTS MODRASK_LAYERS)
  set_target_properties(modrask_${layer} PROPERTIES EXPORT_NAME ${layer})
  target_compile_features(modrask_${layer} PUBLIC cxx_std_20)
  file(GLOB headers CONFIGURE_DEPENDS RELATIVE ${PROJECT_SOURCE_DIR}/src
       ${PROJECT_SOURCE_DIR}/src/${layer}/*.h)
  list(REMOVE_ITEM headers ${modrask_host_headers})
  list(TRANSFORM headers PREPEND ${PROJECT_SOURCE_DIR}/src/)
  install(FILES ${headers} DESTINATION ${MODRASK_INCLUDEDIR}/${layer} COMPONENT development)
endforeach()
install(FILES ${PROJECT_BINARY_DIR}/generated/modrask/support/version.h
        DESTINATION ${MODRASK_INCLUDEDIR}/support COMPONENT development)
list(TRANSFORM MODRASK_LAYERS PREPEND modrask_ OUTPUT_VARIABLE modrask_libraries)
install(TARGETS ${modrask_libraries} EXPORT ModraskTargets
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development
        INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(EXPORT ModraskTargets NAMESPACE Modrask:: DESTINATION ${MODRASK_CMAKEDIR}
        COMPONENT development)
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/ModraskConfig.cmake.in
                              ${PROJECT_BINARY_DIR}/ModraskConfig.cmake
                              INSTALL_DESTINATION ${MODRASK_CMAKEDIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/ModraskConfigVersion.cmake
                                 COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/ModraskConfig.cmake
              ${PROJECT_BINARY_DIR}/ModraskConfigVersion.cmake
        DESTINATION ${MODRASK_CMAKEDIR} COMPONENT development)

# modrask.pc names the prefix it is installed under (/usr in the .deb), so
# the prefix is filled in when installing, the rest now.
set(MODRASK_PC_PREFIX "@CMAKE_INSTALL_PREFIX@")
list(TRANSFORM modrask_libraries PREPEND -l OUTPUT_VARIABLE MODRASK_PC_LIBS)
list(JOIN MODRASK_PC_LIBS " " MODRASK_PC_LIBS)
configure_file(${CMAKE_CURRENT_LIST_DIR}/modrask.pc.in ${PROJECT_BINARY_DIR}/modrask.pc.in @ONLY)
install(CODE "configure_file(\"${PROJECT_BINARY_DIR}/modrask.pc.in\"
                             \"${PROJECT_BINARY_DIR}/modrask.pc\" @ONLY)"
        COMPONENT development)
install(FILES ${PROJECT_BINARY_DIR}/modrask.pc
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT development)
