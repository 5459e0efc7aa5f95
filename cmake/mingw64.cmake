# Cross build of the 64-bit Windows DLL with MinGW-w64 (Debian package
# g++-mingw-w64-x86-64-posix); tests run under wine64.
set(READDATA14_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/MinGWToolchain.cmake)
