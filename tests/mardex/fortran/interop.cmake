# Interoperability with a Fortran run-time: the Fortran writer makes a file,
# mardex renames REG to ZONE in it, the Fortran reader checks the output.
# Arguments: WRITER, READER, MARDEX, WORK (a scratch folder).
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
set(input "${WORK}/fortran.har")
set(output "${WORK}/renamed.har")

execute_process(COMMAND "${WRITER}" "${input}" RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "the Fortran writer failed: ${rc}")
endif()

unset(ENV{MODRASK_USESPARSE})
unset(ENV{MODRASK_FLASHTASKBAR})
execute_process(COMMAND "${MARDEX}" "${input}" "${output}" REG ZONE
                RESULT_VARIABLE rc OUTPUT_VARIABLE out)
set(want "Opened HAR file ${input}     flavour: New Fujitsu\n2 headers transferred to new file ${output}     flavour: New Fujitsu\nThere were 3 set name changes from \"REG\" to \"ZONE\"\n")
string(LENGTH "${want}" n)
string(SUBSTRING "${out}" 0 ${n} head)
string(SUBSTRING "${out}" ${n} -1 tail)
if(NOT rc EQUAL 0 OR NOT head STREQUAL want
   OR NOT tail MATCHES "^[ 0-9][ 0-9][ 0-9][ 0-9][ 0-9][ 0-9][ 0-9][0-9] milliseconds total execution time\n$")
  message(FATAL_ERROR "mardex: exit code ${rc}, output:\n${out}")
endif()

execute_process(COMMAND "${READER}" "${output}" RESULT_VARIABLE rc OUTPUT_VARIABLE rout)
message("${rout}")
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "the Fortran reader found faults in the output")
endif()
