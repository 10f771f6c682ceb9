#!/usr/bin/env bash
# Cross-builds the core, its unit tests and the fake encoder for 32-bit
# Windows (MinGW-w64, i686) into build-win32 and runs the unit tests under
# Wine. Needs no display and no standard input.
#   scripts/test-windows.sh [GoogleTest arguments, e.g. --gtest_filter=Runner*]
set -euo pipefail
cd "$(dirname "$0")/.."

if [ "${TARVOLIN_WINDOWS:-1}" = 0 ]; then
  echo "test-windows: skipped (TARVOLIN_WINDOWS=0)"
  exit 0
fi

for tool in i686-w64-mingw32-g++-posix wine wineboot wineserver; do
  if ! command -v "$tool" >/dev/null; then
    echo "test-windows: $tool is missing; scripts/setup.sh installs it" >&2
    exit 1
  fi
done

BUILD=build-win32
GTEST_SOURCE=${TARVOLIN_GTEST_SOURCE:-/usr/src/googletest}

started=$(date +%s)
cmake -S . -B "$BUILD" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-i686.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" \
  -DTARVOLIN_GUI=OFF \
  -DTARVOLIN_GTEST_SOURCE="$GTEST_SOURCE" >/dev/null
# Everything of the cross build: the core, the encoder stand-in, the unit
# tests and the fake encoder they start.
cmake --build "$BUILD" -j"$(nproc)"
built=$(date +%s)

# A private 32-bit prefix under /tmp, made once. No Mono or Gecko: nothing
# here needs .NET or a browser, and their installers would want a screen.
export WINEPREFIX=${TARVOLIN_WINEPREFIX:-/tmp/tarvolin-wine-prefix}
export WINEARCH=win32
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "test-windows: creating the Wine prefix $WINEPREFIX"
  timeout 300 wineboot -i </dev/null >/dev/null 2>&1
  wineserver -w
fi

# The tests name the fake encoder and the program folder by their absolute
# build paths ("/work/.../fake_encoder.exe"). Windows reads such a path on the
# current drive; run from inside the build tree, that is Wine's Z:, which is
# the Unix root, so the paths resolve as they are.
status=0
(
  cd "$BUILD/testbin"
  timeout 480 wine core_tests.exe "$@" </dev/null
) || status=$?
# Let the prefix's server and its helper processes end before we return.
wineserver -w || true
finished=$(date +%s)

echo "test-windows: build $((built - started)) s, Wine run $((finished - built)) s," \
  "exit status $status"
exit "$status"
