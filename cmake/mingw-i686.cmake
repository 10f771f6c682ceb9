# Cross build for 32-bit Windows with MinGW-w64 (Debian's g++-mingw-w64-i686,
# the POSIX-threads flavour, which the standard library's threads need).
#   cmake -S . -B build-win32 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(TARVOLIN_MINGW_PREFIX i686-w64-mingw32)
set(CMAKE_C_COMPILER ${TARVOLIN_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TARVOLIN_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${TARVOLIN_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TARVOLIN_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Link the GCC runtime, the C++ library and winpthread statically, so the
# .exe files run on their own (and under Wine) without MinGW DLLs beside them.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Wine runs the cross-built test programs when CMake needs to run one.
find_program(TARVOLIN_WINE wine)
if(TARVOLIN_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${TARVOLIN_WINE})
endif()
