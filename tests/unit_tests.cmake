# The programs of GoogleTest cases (included by CMakeLists.txt when GoogleTest
# is there).

# One test program for the whole library; each *_test.cpp covers one part of it.
file(GLOB READDATA14_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_test.cpp)
# The sample generator's tests come with the generator (tools/).
if(NOT TARGET make_chart_core)
  list(FILTER READDATA14_TEST_SOURCES EXCLUDE REGEX "make_chart_test\\.cpp$")
endif()
add_executable(unit_tests ${READDATA14_TEST_SOURCES}
  support/chart_text.cpp
  support/document_compare.cpp
  support/write_round_trip.cpp
  support/block_walk.cpp
  support/chart_check.cpp
  support/contour_sections.cpp
  support/literal_contours.cpp
  support/element_copy.cpp
  support/read_outcome.cpp
)
target_include_directories(unit_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(unit_tests PRIVATE readdata14_internal GTest::gtest_main)
if(TARGET make_chart_core)
  target_link_libraries(unit_tests PRIVATE make_chart_core)
  target_compile_definitions(unit_tests PRIVATE READDATA14_HAVE_MAKE_CHART)
endif()
target_compile_definitions(unit_tests PRIVATE
  READDATA14_SAMPLE_CHART="${PROJECT_SOURCE_DIR}/examples/sample_chart.txt"
  READDATA14_TEST_DATA="${CMAKE_CURRENT_SOURCE_DIR}/data"
  READDATA14_FUZZ_DIR="${PROJECT_SOURCE_DIR}/fuzz"
  READDATA14_VERSION_STRING="${PROJECT_VERSION}")
readdata14_warnings(unit_tests)
if(CMAKE_CROSSCOMPILING)
  # One run under the emulator for all cases: starting a Windows program is
  # slow there, and its CR LF output would garble the names that discovery
  # reads.
  add_test(NAME unit_tests COMMAND unit_tests)
  set_tests_properties(unit_tests PROPERTIES FIXTURES_REQUIRED "${READDATA14_EMULATOR_FIXTURE}")
else()
  gtest_discover_tests(unit_tests DISCOVERY_MODE PRE_TEST)
endif()

# Charts at the edge of what a float counts exactly: large, so run in a CI
# step of their own (ctest -L large), not by the everyday test command; and
# not under an emulator, where they would take a 32-bit process's memory.
if(NOT CMAKE_CROSSCOMPILING)
  add_executable(large_tests large/count_limits_test.cpp support/chart_text.cpp support/block_walk.cpp
                             support/chart_check.cpp)
  target_include_directories(large_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(large_tests PRIVATE readdata14_internal GTest::gtest_main)
  readdata14_warnings(large_tests)
  add_test(NAME large_counts COMMAND large_tests)
  set_tests_properties(large_counts PROPERTIES LABELS large)
endif()
