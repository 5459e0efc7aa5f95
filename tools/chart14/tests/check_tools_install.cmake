# The tools as `cmake --install` puts them: chart14 and make_chart in bin/,
# running from there as the README's commands do (on nothing but themselves:
# both link the library statically).
# -DBUILD_DIR=… -DWORK_DIR=… -DSAMPLE=…
file(REMOVE_RECURSE ${WORK_DIR})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${WORK_DIR} --component tools
                RESULT_VARIABLE status OUTPUT_QUIET)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cmake --install of the tools failed: ${status}")
endif()

function(run_tool)
  execute_process(COMMAND ${ARGN} WORKING_DIRECTORY ${WORK_DIR}
                  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${ARGN}: exit ${status}\n${out}\n${err}")
  endif()
  set(out "${out}" PARENT_SCOPE)
endfunction()

run_tool(${WORK_DIR}/bin/chart14 --version)
if(NOT out MATCHES "^chart14 [0-9.]+ \\(readdata14 library [0-9.]+\\)")
  message(FATAL_ERROR "chart14 --version: ${out}")
endif()
run_tool(${WORK_DIR}/bin/chart14 info ${SAMPLE})
if(NOT out MATCHES "CLOSED_CONTOURS")
  message(FATAL_ERROR "chart14 info: ${out}")
endif()
run_tool(${WORK_DIR}/bin/make_chart --seed 1 --size-mb 0.2 -o generated.txt)
run_tool(${WORK_DIR}/bin/chart14 check generated.txt)
run_tool(${WORK_DIR}/bin/chart14 geojson generated.txt -o generated.geojson)
message(STATUS "chart14 and make_chart install and run from ${WORK_DIR}/bin")
