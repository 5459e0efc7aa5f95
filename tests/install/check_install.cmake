# Installs the build into a scratch prefix, then configures, builds and runs a
# consumer project against it (CMake package and pkg-config both).
set(prefix ${WORK_DIR}/prefix)
file(REMOVE_RECURSE ${WORK_DIR})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix} RESULT_VARIABLE rc OUTPUT_QUIET)
if(rc)
  message(FATAL_ERROR "install failed")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${WORK_DIR}/build -G Ninja
                        -DCMAKE_PREFIX_PATH=${prefix} RESULT_VARIABLE rc)
if(rc)
  message(FATAL_ERROR "consumer configure failed")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} --build ${WORK_DIR}/build RESULT_VARIABLE rc)
if(rc)
  message(FATAL_ERROR "consumer build failed")
endif()
foreach(consumer consumer_shared consumer_static)
  execute_process(COMMAND ${CMAKE_COMMAND} -E env LD_LIBRARY_PATH=${prefix}/lib:${prefix}/lib64
                          ${WORK_DIR}/build/${consumer} ${SAMPLE} RESULT_VARIABLE rc)
  if(rc)
    message(FATAL_ERROR "${consumer} failed on the sample: ${rc}")
  endif()
endforeach()
# pkg-config names the shared library and the header directory.
find_program(PKG_CONFIG pkg-config)
if(PKG_CONFIG)
  execute_process(COMMAND ${CMAKE_COMMAND} -E env PKG_CONFIG_PATH=${prefix}/lib/pkgconfig
                          ${PKG_CONFIG} --libs --cflags readdata14
                  OUTPUT_VARIABLE flags RESULT_VARIABLE rc)
  if(rc OR NOT flags MATCHES "-lreaddata14")
    message(FATAL_ERROR "pkg-config: ${flags}")
  endif()
endif()
