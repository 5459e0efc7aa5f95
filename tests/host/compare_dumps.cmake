# Dumps one chart file, and variants of it made here, through dump_chart and
# checks that the dumps agree:
#   - the file with CR LF line ends, and with LF line ends, dump as the file;
#   - the file cut by a 0x1A byte (Ctrl-Z) with text after it dumps as the
#     part before the 0x1A alone.
# With REFERENCE (the Linux dump program, while DUMP is the Windows one run
# under EMULATOR) the expected dumps come from REFERENCE, so the two
# platforms must agree byte for byte; without it DUMP is checked against
# itself.
#
#   cmake -DDUMP=exe [-DEMULATOR=wine] [-DREFERENCE=exe] -DCHART=file
#         -DWORK_DIR=dir -P compare_dumps.cmake
cmake_minimum_required(VERSION 3.25)
foreach(required DUMP CHART WORK_DIR)
  if(NOT DEFINED ${required})
    message(FATAL_ERROR "compare_dumps.cmake needs -D${required}=...")
  endif()
endforeach()
if(DEFINED REFERENCE AND NOT REFERENCE STREQUAL "" AND NOT EXISTS "${REFERENCE}")
  message(FATAL_ERROR "The Linux dump program ${REFERENCE} is missing: build it first "
                      "(cmake --preset default && cmake --build --preset default --target dump_chart)")
endif()

file(REMOVE_RECURSE "${WORK_DIR}")
file(MAKE_DIRECTORY "${WORK_DIR}")

# CMake strings cannot hold a zero byte: a file with one is compared as it
# stands, without variants.
file(READ "${CHART}" content)
file(SIZE "${CHART}" file_size)
string(LENGTH "${content}" size)
set(variants_made FALSE)
if(size EQUAL file_size)
  string(REPLACE "\r\n" "\n" lf "${content}")
  string(REPLACE "\n" "\r\n" crlf "${lf}")
  math(EXPR half "${size} / 2")
  string(SUBSTRING "${content}" 0 ${half} before_eof)
  string(SUBSTRING "${content}" ${half} -1 after_eof)
  string(ASCII 26 ctrl_z)
  file(WRITE "${WORK_DIR}/lf.txt" "${lf}")
  file(WRITE "${WORK_DIR}/crlf.txt" "${crlf}")
  file(WRITE "${WORK_DIR}/before_eof.txt" "${before_eof}")
  file(WRITE "${WORK_DIR}/ctrl_z.txt" "${before_eof}${ctrl_z}${after_eof}\nLINES: 1\n")
  set(variants_made TRUE)
endif()

# Each program reads several files in one run: dump_chart numbers the charts
# and prints no file names, so two runs over equivalent files print the same.
set(tested "${CHART}")
set(expected "${CHART}")
if(variants_made)
  list(APPEND tested "${WORK_DIR}/lf.txt" "${WORK_DIR}/crlf.txt" "${WORK_DIR}/ctrl_z.txt")
  list(APPEND expected "${CHART}" "${CHART}" "${WORK_DIR}/before_eof.txt")
endif()

function(run_dump out_var)
  execute_process(COMMAND ${ARGN}
                  RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE errors)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${ARGN}\nfailed (${status}):\n${errors}")
  endif()
  # A Windows program's stdout in text mode ends its lines with CR LF.
  string(REPLACE "\r\n" "\n" output "${output}")
  set(${out_var} "${output}" PARENT_SCOPE)
endfunction()

run_dump(actual ${EMULATOR} "${DUMP}" ${tested})
if(DEFINED REFERENCE AND NOT REFERENCE STREQUAL "")
  run_dump(wanted "${REFERENCE}" ${expected})
else()
  run_dump(wanted ${EMULATOR} "${DUMP}" ${expected})
endif()
file(WRITE "${WORK_DIR}/actual.dump" "${actual}")
file(WRITE "${WORK_DIR}/expected.dump" "${wanted}")

if(NOT actual STREQUAL wanted)
  message(FATAL_ERROR "The dumps differ: ${WORK_DIR}/actual.dump (the files: ${tested}) "
                      "against ${WORK_DIR}/expected.dump (the files: ${expected})")
endif()
list(LENGTH tested count)
message(STATUS "${count} dumps agree")
