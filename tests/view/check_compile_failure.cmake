# Compiles SOURCE with FLAGS and CONTROL_FLAGS: it must succeed. Compiles it
# again with FLAGS and FAILING_FLAGS: it must fail, with a message matching
# EXPECT, so that what the build promises to refuse is refused, and for the
# reason it says.
separate_arguments(flags UNIX_COMMAND "${FLAGS}")
separate_arguments(control UNIX_COMMAND "${CONTROL_FLAGS}")
separate_arguments(failing UNIX_COMMAND "${FAILING_FLAGS}")
execute_process(COMMAND ${COMPILER} ${flags} ${control} -fsyntax-only ${SOURCE}
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(rc)
  message(FATAL_ERROR "the control build of ${SOURCE} failed:\n${err}")
endif()
execute_process(COMMAND ${COMPILER} ${flags} ${failing} -fsyntax-only ${SOURCE}
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc)
  message(FATAL_ERROR "${SOURCE} built with ${FAILING_FLAGS}, but must not")
endif()
if(NOT err MATCHES "${EXPECT}")
  message(FATAL_ERROR "${SOURCE} failed for another reason than '${EXPECT}':\n${err}")
endif()
