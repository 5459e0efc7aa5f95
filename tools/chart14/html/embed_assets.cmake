# cmake -DSCRIPTS="a.js|b.js|…" -DSTYLE=… -DTEMPLATE=… -DOUTPUT=… -P embed_assets.cmake:
# puts the page's script (its files in the order given, in one function of
# strict mode, so that they share its names and none leaks into the page)
# and its style sheet into a C++ source as raw strings.
string(REPLACE "|" ";" scripts "${SCRIPTS}")
set(SCRIPT "(() => {\n'use strict';\n")
foreach(script IN LISTS scripts)
  file(READ "${script}" part)
  string(APPEND SCRIPT "${part}\n")
endforeach()
string(APPEND SCRIPT "})();\n")
file(READ "${STYLE}" STYLE)
foreach(asset SCRIPT STYLE)
  string(FIND "${${asset}}" ")chart14_asset" clash)
  if(NOT clash EQUAL -1)
    message(FATAL_ERROR "${asset} holds the raw string's end marker")
  endif()
endforeach()
configure_file("${TEMPLATE}" "${OUTPUT}" @ONLY)
