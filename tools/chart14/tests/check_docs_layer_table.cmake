# The layer table of the GDAL driver's page (docs/gdal.md) is what
# `chart14 layers --markdown` writes: the table is the library's layer model,
# shown, never a copy kept by hand.
execute_process(COMMAND ${CHART14} layers --markdown OUTPUT_VARIABLE table RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "chart14 layers --markdown failed: ${status}")
endif()
file(READ ${PAGE} page)
string(FIND "${page}" "${table}" at)
if(at EQUAL -1)
  message(FATAL_ERROR "The layer table of ${PAGE} differs from `chart14 layers --markdown`; "
                      "paste its output between the page's layer-table markers.")
endif()
