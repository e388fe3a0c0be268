# Builds examples/consumer (SOURCE) in WORK against the Modrask installed in
# PREFIX, with the compiler CXX and FLAGS: through the CMake package (MODE
# cmake_package) or through pkg-config (MODE pkg_config). Then runs it on
# SAMPLE and compares its output with EXPECTED, @VERSION@ filled in. LIBDIR is
# the library folder below PREFIX (lib unless given).
if(NOT LIBDIR)
  set(LIBDIR lib)
endif()
if(CROSS)
  message("Skipped: the consumer of a cross build is a program of the other host")
  return()
endif()
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
set(warnings -Wall -Wextra -Werror)

# Runs a command; its output (both streams) lands in `out`.
function(run)
  execute_process(COMMAND ${ARGV} RESULT_VARIABLE rc OUTPUT_VARIABLE text ERROR_VARIABLE text)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${ARGV}: exit ${rc}\n${text}")
  endif()
  set(out "${text}" PARENT_SCOPE)
endfunction()

if(MODE STREQUAL "cmake_package")
  list(JOIN warnings " " cxx_flags)
  run("${CMAKE_COMMAND}" -S "${SOURCE}" -B "${WORK}" -G "${GENERATOR}"
      "-DCMAKE_MAKE_PROGRAM=${MAKE_PROGRAM}" "-DCMAKE_CXX_COMPILER=${CXX}"
      "-DCMAKE_CXX_FLAGS=${FLAGS} ${cxx_flags}" "-DCMAKE_PREFIX_PATH=${PREFIX}"
      -DCMAKE_BUILD_TYPE=Release)
  # The package found must be the one just installed, not one of the system.
  file(STRINGS "${WORK}/CMakeCache.txt" found REGEX "^Modrask_DIR:")
  if(NOT found STREQUAL "Modrask_DIR:PATH=${PREFIX}/${LIBDIR}/cmake/Modrask")
    message(FATAL_ERROR "found another Modrask: ${found}")
  endif()
  run("${CMAKE_COMMAND}" --build "${WORK}")
elseif(MODE STREQUAL "pkg_config")
  find_program(PKG_CONFIG pkg-config)
  if(NOT PKG_CONFIG)
    message(FATAL_ERROR "pkg-config is needed (Debian package pkg-config)")
  endif()
  # Only the installed modrask.pc, none of the system.
  set(ENV{PKG_CONFIG_LIBDIR} "${PREFIX}/${LIBDIR}/pkgconfig")
  run("${PKG_CONFIG}" --cflags --libs modrask)
  separate_arguments(pc_flags UNIX_COMMAND "${out}")
  separate_arguments(flags UNIX_COMMAND "${FLAGS}")
  run("${CXX}" -std=c++20 -O2 ${warnings} ${flags} "${SOURCE}/harlist.cpp" ${pc_flags}
      -o "${WORK}/harlist")
else()
  message(FATAL_ERROR "unknown MODE ${MODE}")
endif()

run("${WORK}/harlist" "${SAMPLE}")
file(READ "${EXPECTED}" expected)
string(CONFIGURE "${expected}" expected @ONLY)
if(NOT out STREQUAL expected)
  message(FATAL_ERROR "harlist printed:\n${out}\nexpected:\n${expected}")
endif()
message(STATUS "harlist built through ${MODE}, output as expected")
