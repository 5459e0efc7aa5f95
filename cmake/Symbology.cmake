# The drawing table share/symbology.json as a C++ header, made when CMake
# configures (and again whenever the table changes), so that chart14 (svg and
# html) and the QGIS plugin, which reads the JSON itself, draw from one table.
#
#   readdata14_symbology_header(<target>)
#
# gives <target> the header readdata14/symbology.hpp: namespace
# readdata14::symbology with the drawing order, the palette, the level ramp,
# the fronts, the weather regions and the pressure centres with lookups by
# code, the widths, dashes and sizes, the names of codes without an entry,
# and the format of label numbers.

set(READDATA14_SYMBOLOGY_JSON ${PROJECT_SOURCE_DIR}/share/symbology.json)

# A C++ string literal of a JSON string's text.
function(_symbology_literal out text)
  string(REPLACE "\\" "\\\\" text "${text}")
  string(REPLACE "\"" "\\\"" text "${text}")
  set(${out} "\"${text}\"" PARENT_SCOPE)
endfunction()

# The elements of the array at the path, joined by ", " (strings as C++
# literals), into out; out_count holds the length.
function(_symbology_list out json)
  cmake_parse_arguments(PARSE_ARGV 2 arg "STRINGS" "" "PATH")
  string(JSON count LENGTH "${json}" ${arg_PATH})
  math(EXPR last "${count} - 1")
  set(values "")
  foreach(i RANGE ${last})
    string(JSON value GET "${json}" ${arg_PATH} ${i})
    if(arg_STRINGS)
      _symbology_literal(value "${value}")
    endif()
    list(APPEND values "${value}")
  endforeach()
  list(JOIN values ", " values)
  set(${out} "${values}" PARENT_SCOPE)
  set(${out}_count ${count} PARENT_SCOPE)
endfunction()

# The member `key` of each element of the array at the path, as C++ literals
# (strings quoted), into out_<key>; out_count holds the length.
function(_symbology_rows json prefix)
  cmake_parse_arguments(PARSE_ARGV 2 arg "" "" "PATH;STRINGS;NUMBERS")
  string(JSON count LENGTH "${json}" ${arg_PATH})
  set(${prefix}_count ${count} PARENT_SCOPE)
  math(EXPR last "${count} - 1")
  foreach(key IN LISTS arg_STRINGS arg_NUMBERS)
    set(values "")
    foreach(i RANGE ${last})
      string(JSON value ERROR_VARIABLE missing GET "${json}" ${arg_PATH} ${i} ${key})
      if(missing)
        set(value "")  # an optional member: the empty string
      endif()
      if(key IN_LIST arg_STRINGS)
        _symbology_literal(value "${value}")
      endif()
      list(APPEND values "${value}")
    endforeach()
    set(${prefix}_${key} "${values}" PARENT_SCOPE)
  endforeach()
endfunction()

function(_symbology_make_header json_path header)
  file(READ ${json_path} json)
  # The palette and the ramp.
  string(JSON n LENGTH "${json}" palette colours)
  math(EXPR last "${n} - 1")
  set(palette "")
  foreach(i RANGE ${last})
    string(JSON c GET "${json}" palette colours ${i})
    string(APPEND palette "\"${c}\", ")
  endforeach()
  set(palette_count ${n})
  string(JSON n LENGTH "${json}" levels ramp)
  math(EXPR last "${n} - 1")
  set(ramp "")
  foreach(i RANGE ${last})
    string(JSON r GET "${json}" levels ramp ${i} 0)
    string(JSON g GET "${json}" levels ramp ${i} 1)
    string(JSON b GET "${json}" levels ramp ${i} 2)
    string(APPEND ramp "{${r}, ${g}, ${b}}, ")
  endforeach()
  set(ramp_count ${n})
  string(JSON no_level GET "${json}" levels no_level)
  string(JSON label_shade GET "${json}" levels label_shade)
  string(JSON line_colour GET "${json}" lines colour)
  string(JSON line_label_colour GET "${json}" lines label_colour)
  string(JSON fill_shift GET "${json}" fill_areas palette_shift)
  string(JSON text_colour GET "${json}" symbols text_colour)

  # The drawing order, widths, dashes, sizes and names.
  _symbology_list(order "${json}" STRINGS PATH drawing_order layers)
  foreach(scalar IN ITEMS
      "contour_width;levels;width" "open_contour_name;levels;open_name" "no_level_name;levels;no_level_name"
      "contour_sample_colour;levels;sample_colour" "line_width;lines;width"
      "whole_below;label_numbers;whole_below"
      "front_width;fronts;width" "front_glyph;fronts;glyph" "front_spacing;fronts;spacing"
      "other_front_name;fronts;other_name" "region_opacity;weather_regions;opacity"
      "region_outline_width;weather_regions;outline_width" "other_region_name;weather_regions;other_name"
      "fill_opacity;fill_areas;opacity" "fill_outline_width;fill_areas;outline_width" "fill_name;fill_areas;name"
      "arrow_width;symbols;arrow_width" "arrow_length;symbols;arrow_length" "halo;texts;halo"
      "leader_colour;texts;leader_colour" "leader_width;texts;leader_width" "frame_opacity;texts;frame_opacity")
    list(POP_FRONT scalar name)
    string(JSON ${name} GET "${json}" ${scalar})
  endforeach()
  foreach(font label symbol centre note small_note legend title)
    string(JSON ${font}_font GET "${json}" texts fonts ${font})
  endforeach()
  foreach(name open_contour_name no_level_name other_front_name other_region_name fill_name)
    _symbology_literal(${name} "${${name}}")
  endforeach()
  _symbology_list(open_dash "${json}" PATH levels open_dash)
  _symbology_list(code_dash "${json}" PATH lines code_dash)
  _symbology_list(stationary_dash "${json}" PATH fronts stationary_dash)
  _symbology_list(fill_dash "${json}" PATH fill_areas outline_dash)

  _symbology_rows("${json}" front PATH fronts codes STRINGS kind name colour second_colour NUMBERS code)
  _symbology_rows("${json}" region PATH weather_regions codes STRINGS name colour NUMBERS code)
  _symbology_rows("${json}" centre PATH symbols centres STRINGS kind name colour NUMBERS type)
  foreach(table front region centre)
    set(${table}_rows "")
    math(EXPR last "${${table}_count} - 1")
    foreach(i RANGE ${last})
      set(fields "")
      foreach(key code type kind name colour second_colour)
        if(DEFINED ${table}_${key})
          list(GET ${table}_${key} ${i} value)
          string(APPEND fields "${value}, ")
        endif()
      endforeach()
      string(REGEX REPLACE ", $" "" fields "${fields}")
      string(APPEND ${table}_rows "    {${fields}},\n")
    endforeach()
  endforeach()

  configure_file(${CMAKE_CURRENT_FUNCTION_LIST_DIR}/symbology.hpp.in ${header} @ONLY)
endfunction()

function(readdata14_symbology_header target)
  set(folder ${PROJECT_BINARY_DIR}/generated)
  _symbology_make_header(${READDATA14_SYMBOLOGY_JSON} ${folder}/readdata14/symbology.hpp)
  set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${READDATA14_SYMBOLOGY_JSON})
  # Public: the picture's headers name the table's sizes.
  target_include_directories(${target} PUBLIC ${folder})
endfunction()
