# The README's layer table is what `chart14 layers --markdown` writes: the
# table is the library's layer model, shown, never a copy kept by hand.
execute_process(COMMAND ${CHART14} layers --markdown OUTPUT_VARIABLE table RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "chart14 layers --markdown failed: ${status}")
endif()
file(READ ${README} readme)
string(FIND "${readme}" "${table}" at)
if(at EQUAL -1)
  message(FATAL_ERROR "The README's layer table differs from `chart14 layers --markdown`; "
                      "paste its output between the README's layer-table markers.")
endif()
