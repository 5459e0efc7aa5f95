# cmake -DSCRIPT=… -DSTYLE=… -DTEMPLATE=… -DOUTPUT=… -P embed_assets.cmake:
# puts the page's script and style sheet into a C++ source as raw strings.
file(READ "${SCRIPT}" SCRIPT)
file(READ "${STYLE}" STYLE)
foreach(asset SCRIPT STYLE)
  string(FIND "${${asset}}" ")chart14_asset" clash)
  if(NOT clash EQUAL -1)
    message(FATAL_ERROR "${asset} holds the raw string's end marker")
  endif()
endforeach()
configure_file("${TEMPLATE}" "${OUTPUT}" @ONLY)
