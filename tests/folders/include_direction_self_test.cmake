# cmake -DSCAN=check_include_direction.cmake -DTABLE=<include_direction.cmake> -DWORK_DIR=<dir>
#       [-DCASES=<file setting `cases`>] -P include_direction_self_test.cmake
#
# The include scan must refuse what it promises to refuse: builds a small
# tree from the cases below (or those of CASES, for another table than the
# library's), runs the scan on it with the table, and expects it to fail
# naming each refused line (file:line) and none of the allowed ones.
cmake_minimum_required(VERSION 3.25)

# file | line appended to it | refused or allowed
if(DEFINED CASES)
  include(${CASES})
else()
set(cases
  "reading/low.hpp                | #include <cstdint>                | allowed"
  "reading/low.hpp                | #include \"reading/low_too.hpp\"  | allowed"
  "reading/low_too.hpp            | #include \"low.hpp\"              | allowed"
  "reading/low.cpp                | #include \"readdata14/public.h\"  | allowed"
  "reading/low.cpp                | #include \"driver/high.hpp\"      | refused"
  "reading/low.cpp                | #include \"../driver/high.hpp\"   | refused"
  "reading/low.cpp                |   #  include <driver/high.hpp>    | refused"
  "reading/inner/deep.cpp         | #include \"../../driver/high.hpp\" | refused"
  "sections/side.hpp              | #include \"reading/low.hpp\"      | allowed"
  "sections/side.hpp              | #include \"contours/shape.hpp\"   | refused"
  "contours/shape.hpp             | #include \"reading/low.hpp\"      | allowed"
  "driver/high.hpp                | #include \"contours/shape.hpp\"   | allowed"
  "driver/high.hpp                | #include \"sections/side.hpp\"    | allowed"
  "driver/high.hpp                | #include HIGH_HEADER              | refused"
  "include/readdata14/public.h    | #include \"reading/low.hpp\"      | refused"
  "unlisted/new.cpp               | #include \"reading/low.hpp\"      | folder"
)
endif()

set(tree ${WORK_DIR}/readdata14)
file(REMOVE_RECURSE ${tree})
set(allowed_places)
set(refused_places)
foreach(case IN LISTS cases)
  if(NOT case MATCHES "^([^ |]+) *\\| (.*[^ ]) *\\| (allowed|refused|folder)$")
    message(FATAL_ERROR "cannot read the case '${case}'")
  endif()
  set(file ${CMAKE_MATCH_1})
  set(line "${CMAKE_MATCH_2}")
  set(expect ${CMAKE_MATCH_3})
  string(MAKE_C_IDENTIFIER "${file}" key)
  if(NOT DEFINED lines_${key})
    set(lines_${key} 0)
  endif()
  math(EXPR lines_${key} "${lines_${key}} + 1")
  file(APPEND ${tree}/${file} "${line}\n")
  if(expect STREQUAL "folder")
    string(REGEX MATCH "^[^/]+" folder "${file}")
    list(APPEND refused_places "${tree}/${folder}/:")
  else()
    list(APPEND ${expect}_places "${tree}/${file}:${lines_${key}}:")
  endif()
endforeach()

execute_process(COMMAND ${CMAKE_COMMAND} -DROOT=${tree} -DTABLE=${TABLE} -P ${SCAN}
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
set(report "${out}${err}")
if(rc EQUAL 0)
  message(FATAL_ERROR "the scan passed a tree with includes against the direction:\n${report}")
endif()
foreach(place IN LISTS refused_places)
  string(FIND "${report}" "${place}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "the scan did not name ${place}:\n${report}")
  endif()
endforeach()
foreach(place IN LISTS allowed_places)
  string(FIND "${report}" "${place}" at)
  if(NOT at EQUAL -1)
    message(FATAL_ERROR "the scan refused the allowed include at ${place}:\n${report}")
  endif()
endforeach()
list(LENGTH refused_places expected)
if(NOT report MATCHES "${expected} problem\\(s\\)")
  message(FATAL_ERROR "expected ${expected} problems:\n${report}")
endif()
