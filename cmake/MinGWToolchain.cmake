# Shared part of the MinGW-w64 cross toolchains (cmake/mingw64.cmake,
# cmake/mingw32.cmake). The -posix compilers are the ones whose C++ library
# has std::thread and std::mutex, which GoogleTest needs.
# Expects READDATA14_MINGW_TRIPLET and CMAKE_SYSTEM_PROCESSOR to be set.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${READDATA14_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${READDATA14_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${READDATA14_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${READDATA14_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Test programs link the GCC runtime statically too, so that wine runs them
# without a search path for libstdc++-6.dll and friends.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# CTest runs the Windows programs under wine.
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
