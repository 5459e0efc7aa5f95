# Installs the build into a scratch prefix, then builds and runs host programs
# against it the ways users do, each with the compilers' default settings:
# C and C++, shared and static, through the CMake package and pkg-config.
#
# Through DESTDIR, so that what goes to an absolute folder outside the prefix
# (the GDAL plugin: GDAL's own plugin folder) lands in the scratch tree too;
# GDAL_PLUGIN_DIR, when given, is where the plugin must land; without it a
# GDAL_PLUGIN installed with --prefix lands under the prefix.
set(stage ${WORK_DIR}/stage)
set(prefix ${stage}${WORK_DIR}/prefix)
file(REMOVE_RECURSE ${WORK_DIR})
execute_process(COMMAND ${CMAKE_COMMAND} -E env DESTDIR=${stage}
                        ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${WORK_DIR}/prefix
                RESULT_VARIABLE rc OUTPUT_QUIET)
if(rc)
  message(FATAL_ERROR "install failed")
endif()
if(GDAL_PLUGIN_DIR)
  if(IS_ABSOLUTE ${GDAL_PLUGIN_DIR})
    set(plugin ${stage}${GDAL_PLUGIN_DIR}/ogr_Chart14.so)
  else()
    set(plugin ${prefix}/${GDAL_PLUGIN_DIR}/ogr_Chart14.so)
  endif()
elseif(GDAL_PLUGIN)
  set(plugin ${prefix}/${LIBDIR}/gdalplugins/ogr_Chart14.so)
endif()
if(plugin AND NOT EXISTS ${plugin})
  message(FATAL_ERROR "the GDAL plugin is not at ${plugin}")
endif()
set(run_env LD_LIBRARY_PATH=${prefix}/lib:${prefix}/lib64)

function(run_consumer name program)
  execute_process(COMMAND ${CMAKE_COMMAND} -E env ${run_env} ${program} ${SAMPLE}
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(rc)
    message(FATAL_ERROR "${name} failed on the sample (${rc}): ${out}${err}")
  endif()
  message(STATUS "${name}: ran")
endfunction()

# The CMake package.
execute_process(COMMAND ${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${WORK_DIR}/build -G Ninja
                        -DCMAKE_PREFIX_PATH=${prefix} RESULT_VARIABLE rc)
if(rc)
  message(FATAL_ERROR "consumer configure failed")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} --build ${WORK_DIR}/build RESULT_VARIABLE rc)
if(rc)
  message(FATAL_ERROR "consumer build failed")
endif()
foreach(consumer consumer_c_shared consumer_c_static consumer_cpp_shared consumer_cpp_static)
  run_consumer("CMake ${consumer}" ${WORK_DIR}/build/${consumer})
endforeach()

# pkg-config: readdata14 for C (its flags stay valid for C), readdata14-cpp for
# the C++ view; --static names the archive and the C++ runtime it needs.
find_program(PKG_CONFIG pkg-config)
if(NOT PKG_CONFIG)
  message(STATUS "pkg-config not found: its consumers not tried")
  return()
endif()
function(pkg_flags out)
  # The .pc files name the prefix as installed; the sysroot points them at the stage.
  execute_process(COMMAND ${CMAKE_COMMAND} -E env PKG_CONFIG_PATH=${prefix}/lib/pkgconfig
                          PKG_CONFIG_SYSROOT_DIR=${stage} ${PKG_CONFIG} ${ARGN}
                  OUTPUT_VARIABLE flags RESULT_VARIABLE rc OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(rc)
    message(FATAL_ERROR "pkg-config ${ARGN} failed")
  endif()
  separate_arguments(flags UNIX_COMMAND "${flags}")
  set(${out} ${flags} PARENT_SCOPE)
endfunction()
function(pkg_consumer name compiler source)
  execute_process(COMMAND ${compiler} ${source} -o ${WORK_DIR}/${name} ${ARGN}
                  RESULT_VARIABLE rc ERROR_VARIABLE err)
  if(rc)
    message(FATAL_ERROR "pkg-config ${name} did not build:\n${err}")
  endif()
  run_consumer("pkg-config ${name}" ${WORK_DIR}/${name})
endfunction()

pkg_flags(c_flags --cflags --libs readdata14)
pkg_consumer(c_shared ${C_COMPILER} ${SOURCE_DIR}/consumer.c ${c_flags})
pkg_flags(c_static_flags --cflags --libs --static readdata14)
pkg_consumer(c_static ${C_COMPILER} ${SOURCE_DIR}/consumer.c -static ${c_static_flags})
pkg_flags(cpp_flags --cflags --libs readdata14-cpp)
pkg_consumer(cpp_shared ${CXX_COMPILER} ${SOURCE_DIR}/consumer.cpp ${cpp_flags})
