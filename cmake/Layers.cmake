# readdata14_layer(NAME SOURCES ... SEES folder... [LINKS target...])
#
# One layer of the library: an object library readdata14_NAME built from
# SOURCES, whose include path holds the public headers and a staging folder
# with a link to each folder in SEES (its own and those below it) and nothing
# else. `#include "driver/..."` from the reading layer then finds no file and
# the build fails there, which is what keeps the data flowing one way.
#
# Where links cannot be made (a Windows checkout without the right to make
# them), the layer sees the whole library folder instead: it still builds,
# only the direction goes unchecked there; the Linux CI checks it.
function(readdata14_layer name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "SOURCES;SEES;LINKS")
  set(target readdata14_${name})
  set(stage ${CMAKE_CURRENT_BINARY_DIR}/layers/${name})
  set(include_root ${stage})
  file(MAKE_DIRECTORY ${stage})
  foreach(folder IN LISTS arg_SEES)
    if(NOT IS_SYMLINK ${stage}/${folder})
      file(CREATE_LINK ${CMAKE_CURRENT_SOURCE_DIR}/${folder} ${stage}/${folder} RESULT made SYMBOLIC)
      if(NOT made EQUAL 0)
        set(include_root ${CMAKE_CURRENT_SOURCE_DIR})
      endif()
    endif()
  endforeach()

  add_library(${target} OBJECT ${arg_SOURCES})
  target_include_directories(${target} PUBLIC ${include_root} ${CMAKE_CURRENT_SOURCE_DIR}/include)
  if(arg_LINKS)
    # For the include paths of the layers below (their objects are gathered
    # into the libraries separately).
    target_link_libraries(${target} PUBLIC ${arg_LINKS})
  endif()
  set_target_properties(${target} PROPERTIES
    POSITION_INDEPENDENT_CODE ON
    CXX_VISIBILITY_PRESET hidden
    VISIBILITY_INLINES_HIDDEN ON)
  readdata14_warnings(${target})
  # The reading rounds to float at chosen steps on purpose (the
  # point-in-contour test, thinning, directions, label codes); a fused
  # multiply-add would skip a rounding and change borderline answers.
  if(NOT MSVC)
    target_compile_options(${target} PRIVATE -ffp-contract=off)
  endif()
  set_property(TARGET ${target} PROPERTY READDATA14_INCLUDE_ROOT ${include_root})
endfunction()
