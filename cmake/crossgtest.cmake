# GoogleTest for a cross build: the host's libgtest cannot link into Windows
# programs, so gtest and gmock are built here from Debian's source package
# (libgtest-dev puts it in /usr/src/googletest). Provides the same targets as
# find_package(GTest): GTest::gtest, GTest::gtest_main, GTest::gmock.
set(MODRASK_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest source folder")
if(NOT EXISTS ${MODRASK_GTEST_SOURCE}/CMakeLists.txt)
  message(FATAL_ERROR "No GoogleTest source in ${MODRASK_GTEST_SOURCE} (install libgtest-dev)")
endif()
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
# GoogleTest's own code is not held to this project's warning flags.
set(modrask_saved_options "${CMAKE_CXX_FLAGS}")
get_directory_property(modrask_saved_compile_options COMPILE_OPTIONS)
set_property(DIRECTORY PROPERTY COMPILE_OPTIONS "")
add_subdirectory(${MODRASK_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
set_property(DIRECTORY PROPERTY COMPILE_OPTIONS "${modrask_saved_compile_options}")
foreach(t gtest gtest_main gmock gmock_main)
  if(NOT TARGET GTest::${t})
    add_library(GTest::${t} ALIAS ${t})
  endif()
endforeach()
