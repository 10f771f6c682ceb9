# Cross build for 32-bit Windows with MinGW-w64 (Debian's g++-mingw-w64-i686).
#   cmake -S . -B build-win32 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake
set(CMAKE_SYSTEM_PROCESSOR i686)
set(TARVOLIN_MINGW_PREFIX i686-w64-mingw32)
set(TARVOLIN_WINE_LOADER /usr/lib/wine/wine)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
