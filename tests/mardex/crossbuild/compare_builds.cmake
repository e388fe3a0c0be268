# Runs the Mardex of this (Windows) build under the emulator and the Mardex of
# the host build on the same input and compares the two outputs byte for byte,
# apart from the creation time: the text of the XXCD header, "at " and the
# local time in the long time format, which differs between the hosts. The
# compiler word is GCC in both builds, so it is compared too.
# Arguments: EMULATOR, WIN_MARDEX, HOST_MARDEX, INPUT, WORK.
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
execute_process(COMMAND "${HOST_MARDEX}" "${INPUT}" "${WORK}/host.har" REG ZONE
                RESULT_VARIABLE host_rc OUTPUT_VARIABLE host_out)
# The emulator's Z: drive is the host's root folder.
execute_process(COMMAND ${EMULATOR} "${WIN_MARDEX}" "Z:${INPUT}" "Z:${WORK}/win.har" REG ZONE
                RESULT_VARIABLE win_rc OUTPUT_VARIABLE win_out)
if(NOT host_rc EQUAL 0 OR NOT win_rc EQUAL 0)
  message(FATAL_ERROR "runs failed: host ${host_rc}, Windows ${win_rc}\n${host_out}\n${win_out}")
endif()

# Masks the 70 characters of the creation time: the text "at " that follows
# the XXCD name record.
function(masked_hex path out_var)
  file(READ "${path}" hex HEX)
  string(HEX "XXCD" name_hex)
  string(FIND "${hex}" "${name_hex}" name_at)
  if(name_at EQUAL -1)
    message(FATAL_ERROR "${path}: no XXCD header")
  endif()
  string(SUBSTRING "${hex}" ${name_at} -1 after)
  string(HEX "at " at_hex)
  string(FIND "${after}" "${at_hex}" at_at)
  if(at_at EQUAL -1)
    message(FATAL_ERROR "${path}: no creation time in XXCD")
  endif()
  math(EXPR start "${name_at} + ${at_at}")
  math(EXPR odd "${start} % 2")
  if(odd)
    message(FATAL_ERROR "${path}: the creation time is not where it should be")
  endif()
  math(EXPR rest "${start} + 140")
  string(SUBSTRING "${hex}" 0 ${start} head)
  string(SUBSTRING "${hex}" ${rest} -1 tail)
  string(REPEAT "__" 70 mask)
  set(${out_var} "${head}${mask}${tail}" PARENT_SCOPE)
endfunction()

masked_hex("${WORK}/host.har" host_hex)
masked_hex("${WORK}/win.har" win_hex)
string(LENGTH "${host_hex}" host_len)
string(LENGTH "${win_hex}" win_len)
if(NOT host_len EQUAL win_len)
  message(FATAL_ERROR "outputs differ in size: host ${host_len}, Windows ${win_len} hex digits")
endif()
if(NOT host_hex STREQUAL win_hex)
  message(FATAL_ERROR "outputs differ beyond the creation time")
endif()
string(HEX "GCC" gcc_hex)
string(FIND "${win_hex}" "${gcc_hex}" gcc_at)
if(gcc_at EQUAL -1)
  message(FATAL_ERROR "no compiler word GCC in the outputs")
endif()
math(EXPR bytes "${host_len} / 2")
message(STATUS "equal apart from the creation time: ${bytes} bytes")
