# Runs the generator and compares its output with the sample in the
# repository byte for byte. Arguments: GENERATOR, SAMPLE, OUTPUT, and
# EMULATOR (may be empty) to run the generator of a cross build.
file(REMOVE "${OUTPUT}")
execute_process(COMMAND ${EMULATOR} "${GENERATOR}" "${OUTPUT}" RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "make_sample failed: ${rc}")
endif()
execute_process(COMMAND "${CMAKE_COMMAND}" -E compare_files "${OUTPUT}" "${SAMPLE}"
                RESULT_VARIABLE same)
if(NOT same EQUAL 0)
  message(FATAL_ERROR "${SAMPLE} differs from what make_sample writes now")
endif()
