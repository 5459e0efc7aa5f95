# The parts beside the library, each switched by a cache variable that a
# parent project or a preset can set before this project is configured:
#
#   AUTO  build the part when what it needs is found, else skip it and say why
#   ON    the part is required: a missing package stops the configure
#   OFF   leave the part out
#
# A project of its own builds every part it can (AUTO); pulled into another
# with add_subdirectory or FetchContent it builds the library alone (OFF),
# unless the parent asks for more. The presets set ON, so that CI fails
# rather than skips.

# readdata14_part_option(VAR DOC): the cache variable VAR, AUTO at the top
# level and OFF in a parent's build. A value the parent or the command line
# set already wins (no FORCE).
function(readdata14_part_option var doc)
  if(PROJECT_IS_TOP_LEVEL)
    set(default AUTO)
  else()
    set(default OFF)
  endif()
  set(${var} ${default} CACHE STRING "${doc} (AUTO, ON: required, OFF)")
  set_property(CACHE ${var} PROPERTY STRINGS AUTO ON OFF)
endfunction()

# readdata14_part_mode(VAR OUT): VAR's value as AUTO, ON or OFF; any of
# CMake's true or false words counts as ON or OFF.
function(readdata14_part_mode var out)
  string(TOUPPER "${${var}}" value)
  if(value STREQUAL "AUTO")
    set(${out} AUTO PARENT_SCOPE)
  elseif(${var})
    set(${out} ON PARENT_SCOPE)
  else()
    set(${out} OFF PARENT_SCOPE)
  endif()
endfunction()

# readdata14_find_mode(VAR OUT): what find_package is given for a part
# switched by VAR: REQUIRED when the part is ON, QUIET when it is AUTO.
function(readdata14_find_mode var out)
  readdata14_part_mode(${var} mode)
  if(mode STREQUAL "ON")
    set(${out} REQUIRED PARENT_SCOPE)
  else()
    set(${out} QUIET PARENT_SCOPE)
  endif()
endfunction()

# readdata14_part(NAME STATE...): note what became of a part, for the
# summary that readdata14_print_parts prints, one line per part.
function(readdata14_part name)
  string(JOIN " " state ${ARGN})
  string(LENGTH "${name}" length)
  math(EXPR pad "20 - ${length}")
  if(pad LESS 1)
    set(pad 1)
  endif()
  string(REPEAT " " ${pad} gap)
  set_property(GLOBAL APPEND PROPERTY READDATA14_PARTS "${name}${gap}${state}")
endfunction()

function(readdata14_print_parts)
  get_property(parts GLOBAL PROPERTY READDATA14_PARTS)
  message(STATUS "readdata14 ${PROJECT_VERSION}, what this build holds:")
  foreach(line IN LISTS parts)
    message(STATUS "  ${line}")
  endforeach()
endfunction()
