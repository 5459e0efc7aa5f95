# GoogleTest for the unit tests of the library and of chart14: the targets
# GTest::gtest_main, and READDATA14_HAVE_GTEST saying whether they exist.
# Required when READDATA14_BUILD_TESTS is ON; with AUTO the other tests
# (hosts, ABI, installed tree, scans) are built without it.
readdata14_find_mode(READDATA14_BUILD_TESTS gtest_find)
set(READDATA14_HAVE_GTEST FALSE)
if(CMAKE_CROSSCOMPILING)
  # Debian's GoogleTest libraries are built for Linux; a cross build for
  # Windows builds GoogleTest from its source package instead (which defines
  # the same GTest:: targets). Its options are preset, not forced.
  set(READDATA14_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH
      "GoogleTest sources for cross builds (Debian package googletest)")
  if(gtest_find STREQUAL "REQUIRED" OR EXISTS ${READDATA14_GOOGLETEST_SOURCE}/CMakeLists.txt)
    set(BUILD_GMOCK OFF CACHE BOOL "Build GoogleMock (not needed by readdata14's tests)")
    set(INSTALL_GTEST OFF CACHE BOOL "Install GoogleTest (not with readdata14's tests)")
    add_subdirectory(${READDATA14_GOOGLETEST_SOURCE} ${PROJECT_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
    set(READDATA14_HAVE_GTEST TRUE)
  endif()
  set(gtest_missing "no GoogleTest sources at ${READDATA14_GOOGLETEST_SOURCE} (Debian: googletest)")
else()
  find_package(GTest ${gtest_find})
  set(READDATA14_HAVE_GTEST ${GTest_FOUND})
  set(gtest_missing "GoogleTest not found (Debian: libgtest-dev)")
endif()
include(GoogleTest)
