# What the MinGW-w64 cross builds share; the toolchain files name the target
# (TARVOLIN_MINGW_PREFIX, CMAKE_SYSTEM_PROCESSOR, TARVOLIN_WINE_LOADER) and include this.
# Debian's POSIX-threads flavour of the compilers, which the standard
# library's threads need.
set(CMAKE_SYSTEM_NAME Windows)

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

# Wine runs the cross-built programs when CMake needs to run one. The loader
# is named directly: Debian's "wine" wrapper picks the 32-bit loader whenever
# it is installed, even on a machine that cannot run it.
if(EXISTS ${TARVOLIN_WINE_LOADER})
  set(CMAKE_CROSSCOMPILING_EMULATOR ${TARVOLIN_WINE_LOADER})
endif()
