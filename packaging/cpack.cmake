# Packages made with cpack: a Debian package of the release build (programs,
# library, man pages, documents) and a zip of the Windows programs with the
# README and the sample file.
set(CPACK_PACKAGE_NAME modrask)
set(CPACK_PACKAGE_VENDOR "Modrask developers")
set(CPACK_PACKAGE_CONTACT "Modrask developers <modrask@example.org>" CACHE STRING
    "Maintainer of the packages: a name and an e-mail address")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "tools and C++ library for Header Array files")
set(CPACK_PACKAGE_DESCRIPTION "\
Header Array files are the Fortran-style record files in which economic
modelling tools keep their sets and data. This package holds three console
programs and the C++ library they are built on:
 - mardex renames a set everywhere in a file: array labels, the headers
   that define the set and the file's history;
 - harinfo lists a file's headers and sets, shows one header, exports an
   array as CSV and compares two files, telling a rename from a change of
   data;
 - tidex deletes the rebuildable products beside the ZMD files of a folder.
The library (static, with a CMake package and a pkg-config file) reads and
writes both record framings, Old Lahey and New Fujitsu. The Python module
modrask reads headers into numpy arrays, writes them and renames sets.")
set(CPACK_STRIP_FILES ON)

if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME modrask-${PROJECT_VERSION}-win64)
  set(CPACK_ARCHIVE_COMPONENT_INSTALL ON)
  set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
  set(CPACK_COMPONENTS_ALL programs docs)
  set(CPACK_COMPONENT_INCLUDE_TOPLEVEL_DIRECTORY ON)
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION science)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  if(MODRASK_PYTHON)
    # The module is built for this Python version and reads values into
    # numpy arrays; the programs need neither. pandas and xarray for
    # to_pandas and to_xarray only.
    set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
        "python3 (>= ${Python3_VERSION_MAJOR}.${Python3_VERSION_MINOR}), python3 (<< ${Python3_VERSION_MAJOR}.${modrask_python_next_minor}), python3-numpy")
    set(CPACK_DEBIAN_PACKAGE_SUGGESTS "python3-pandas, python3-xarray")
  endif()
  # Debian's own files (the copyright notice, the changelog), compressed man
  # pages and stripped libraries: see debian_files.cmake.
  configure_file(${CMAKE_CURRENT_LIST_DIR}/debian/changelog.in
                 ${PROJECT_BINARY_DIR}/debian/changelog @ONLY)
  set(CPACK_MODRASK_DEBIAN_DOCS ${CMAKE_CURRENT_LIST_DIR}/debian/copyright
                                ${PROJECT_BINARY_DIR}/debian/changelog)
  set(CPACK_MODRASK_DOCDIR ${CMAKE_INSTALL_DOCDIR})
  set(CPACK_MODRASK_MANDIR ${CMAKE_INSTALL_MANDIR})
  set(CPACK_MODRASK_LIBDIR ${CMAKE_INSTALL_LIBDIR})
  set(CPACK_MODRASK_STRIP ${CMAKE_STRIP})
  set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/debian_files.cmake)
endif()
include(CPack)
