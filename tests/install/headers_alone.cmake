# Configures and builds the project in SOURCE (in WORK) against the Modrask
# installed in PREFIX: it compiles every installed header on its own.
file(REMOVE_RECURSE "${WORK}")
# A cross build's toolchain searches packages only under its own root: it
# is given the package folder itself.
set(toolchain "")
if(TOOLCHAIN)
  set(toolchain "-DCMAKE_TOOLCHAIN_FILE=${TOOLCHAIN}" "-DModrask_DIR=${PREFIX}/lib/cmake/Modrask")
endif()
execute_process(COMMAND "${CMAKE_COMMAND}" -S "${SOURCE}" -B "${WORK}" -G "${GENERATOR}"
                        "-DCMAKE_MAKE_PROGRAM=${MAKE_PROGRAM}" "-DCMAKE_CXX_COMPILER=${CXX}"
                        ${toolchain} "-DCMAKE_PREFIX_PATH=${PREFIX}"
                COMMAND_ECHO STDOUT RESULT_VARIABLE configured)
execute_process(COMMAND "${CMAKE_COMMAND}" --build "${WORK}" RESULT_VARIABLE built)
if(NOT configured EQUAL 0 OR NOT built EQUAL 0)
  message(FATAL_ERROR "configure: ${configured}, build: ${built}")
endif()
