# Installs the build into a scratch prefix, then configures, builds and runs a
# consumer project against it (CMake package and pkg-config both).
#
# Through DESTDIR, so that what goes to an absolute folder outside the prefix
# (the GDAL plugin: GDAL's own plugin folder) lands in the scratch tree too;
# GDAL_PLUGIN_DIR, when given, is where the plugin must land.
set(prefix ${WORK_DIR}/stage${WORK_DIR}/prefix)
file(REMOVE_RECURSE ${WORK_DIR})
execute_process(COMMAND ${CMAKE_COMMAND} -E env DESTDIR=${WORK_DIR}/stage
                        ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${WORK_DIR}/prefix
                RESULT_VARIABLE rc OUTPUT_QUIET)
if(rc)
  message(FATAL_ERROR "install failed")
endif()
if(GDAL_PLUGIN_DIR)
  if(IS_ABSOLUTE ${GDAL_PLUGIN_DIR})
    set(plugin ${WORK_DIR}/stage${GDAL_PLUGIN_DIR}/ogr_Chart14.so)
  else()
    set(plugin ${prefix}/${GDAL_PLUGIN_DIR}/ogr_Chart14.so)
  endif()
  if(NOT EXISTS ${plugin})
    message(FATAL_ERROR "the GDAL plugin is not at ${plugin}")
  endif()
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
