# The public C headers compile as C89, C99 and C++ with -pedantic -Wall
# -Wextra -Werror: each header alone (it includes what it needs) and all of
# them with every macro expanded (strict_headers.c). Compiles only.
#
#   -DC_COMPILER= -DCXX_COMPILER= -DINCLUDE=<the public include folder>
#   -DUSES=<strict_headers.c> -DWORK_DIR=<scratch folder>
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})
file(GLOB headers RELATIVE ${INCLUDE} ${INCLUDE}/readdata14/*.h)
if(NOT headers)
  message(FATAL_ERROR "no public C header under ${INCLUDE}")
endif()
set(sources ${USES})
foreach(header IN LISTS headers)
  string(MAKE_C_IDENTIFIER ${header} name)
  file(WRITE ${WORK_DIR}/${name}.c "#include \"${header}\"\nint main(void) { return 0; }\n")
  list(APPEND sources ${WORK_DIR}/${name}.c)
endforeach()

set(strict -pedantic -Wall -Wextra -Werror -I${INCLUDE})
set(modes "C89|${C_COMPILER}|-std=c89,-Wstrict-prototypes"
          "C99|${C_COMPILER}|-std=c99,-Wstrict-prototypes"
          "C++98|${CXX_COMPILER}|-std=c++98,-x,c++"
          "C++20|${CXX_COMPILER}|-std=c++20,-x,c++")
set(failed 0)
foreach(mode IN LISTS modes)
  string(REPLACE "|" ";" mode "${mode}")
  list(GET mode 0 language)
  list(GET mode 1 compiler)
  list(SUBLIST mode 2 -1 flags)
  string(REPLACE "," ";" flags "${flags}")
  foreach(source IN LISTS sources)
    get_filename_component(name ${source} NAME_WE)
    execute_process(COMMAND ${compiler} ${flags} ${strict} -c ${source} -o ${WORK_DIR}/${name}.o
                    RESULT_VARIABLE rc ERROR_VARIABLE err OUTPUT_VARIABLE out)
    if(rc)
      message(SEND_ERROR "${name} does not compile as ${language}:\n${out}${err}")
      set(failed 1)
    endif()
  endforeach()
  message(STATUS "${language}: checked")
endforeach()
if(failed)
  message(FATAL_ERROR "a public header is not strict C or C++")
endif()
