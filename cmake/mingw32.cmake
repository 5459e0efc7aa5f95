# Cross build of the 32-bit Windows DLL with MinGW-w64 (Debian package
# g++-mingw-w64-i686-posix); tests run under wine32 (wine32:i386).
set(READDATA14_MINGW_TRIPLET i686-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR x86)
include(${CMAKE_CURRENT_LIST_DIR}/MinGWToolchain.cmake)
