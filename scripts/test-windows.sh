#!/usr/bin/env bash
# Cross-builds the core, its unit tests, the fake encoder and the encoder
# stand-in for Windows with MinGW-w64 and runs the unit tests under Wine.
# Needs no display and no standard input.
#   scripts/test-windows.sh [GoogleTest arguments, e.g. --gtest_filter=Runner*]
#
# Which build runs is decided by trying, since machines differ: where this
# machine runs 32-bit programs (Wine's 32-bit loader starts), the 32-bit
# build (i686, build-win32) runs under 32-bit Wine, and then the 64-bit one
# too; where it cannot, only the 64-bit build (x86_64, build-win64) runs
# under 64-bit Wine.
#   TARVOLIN_WINDOWS=0                 skip the Windows builds
#   TARVOLIN_WINDOWS_ARCH=32|64|both   run these builds whatever the probe says
set -euo pipefail
cd "$(dirname "$0")/.."

if [ "${TARVOLIN_WINDOWS:-1}" = 0 ]; then
  echo "test-windows: skipped (TARVOLIN_WINDOWS=0)"
  exit 0
fi

# TARVOLIN_WINE32_LOADER names another 32-bit loader, to try the other path.
WINE32=${TARVOLIN_WINE32_LOADER:-/usr/lib/wine/wine}
WINE64=/usr/lib/wine/wine64
GTEST_SOURCE=${TARVOLIN_GTEST_SOURCE:-/usr/src/googletest}

# Prints why 32-bit programs cannot run here, or nothing when they can.
why_no_32bit() {
  if [ ! -e "$WINE32" ]; then
    echo "$WINE32 is not installed"
    return
  fi
  local out
  if ! out=$("$WINE32" --version 2>&1); then
    echo "$WINE32 --version failed: ${out:-no output}" | head -n 1
  fi
}

# Builds and runs one Windows build: bits is 32 or 64; the remaining words
# go to the test program.
run_build() {
  local bits=$1
  shift
  local build toolchain compiler loader arch prefix
  if [ "$bits" = 32 ]; then
    build=build-win32 toolchain=cmake/mingw-i686.cmake compiler=i686-w64-mingw32-g++-posix
    loader=$WINE32 arch=win32 prefix=${TARVOLIN_WINEPREFIX:-/tmp/tarvolin-wine-prefix}
  else
    build=build-win64 toolchain=cmake/mingw-x86_64.cmake compiler=x86_64-w64-mingw32-g++-posix
    loader=$WINE64 arch=win64 prefix=${TARVOLIN_WINE64PREFIX:-/tmp/tarvolin-wine64-prefix}
  fi
  for tool in "$compiler" "$loader" wineserver; do
    if ! command -v "$tool" >/dev/null; then
      echo "test-windows: $tool is missing; scripts/setup.sh installs it" >&2
      return 1
    fi
  done

  local started built finished status=0
  started=$(date +%s)
  cmake -S . -B "$build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$PWD/$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" \
    -DTARVOLIN_GUI=OFF \
    -DTARVOLIN_GTEST_SOURCE="$GTEST_SOURCE" >/dev/null
  # Everything of the cross build: the core, the encoder stand-in, the unit
  # tests and the fake encoder they start.
  cmake --build "$build" -j"$(nproc)"
  built=$(date +%s)

  # A private prefix under /tmp, made once. No Mono or Gecko: nothing here
  # needs .NET or a browser, and their installers would want a screen. The
  # loader is named directly: Debian's "wine" wrapper picks the 32-bit loader
  # whenever it is installed, even where it cannot run.
  export WINEPREFIX=$prefix WINEARCH=$arch WINELOADER=$loader
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml="
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "test-windows: creating the $bits-bit Wine prefix $WINEPREFIX"
    timeout 300 "$loader" wineboot -i </dev/null >/dev/null 2>&1 || true
    wineserver -w || true
  fi

  # The tests name the fake encoder and the program folder by their absolute
  # build paths ("/work/.../fake_encoder.exe"). Windows reads such a path on
  # the current drive; run from inside the build tree, that is Wine's Z:,
  # which is the Unix root, so the paths resolve as they are.
  (
    cd "$build/testbin"
    timeout 480 "$loader" core_tests.exe "$@" </dev/null
  ) || status=$?
  # Let the prefix's server and its helper processes end before we go on.
  wineserver -w || true
  finished=$(date +%s)

  echo "test-windows: $bits-bit build $((built - started)) s, Wine run" \
    "$((finished - built)) s, exit status $status"
  return "$status"
}

unset DISPLAY WAYLAND_DISPLAY
builds=()
case "${TARVOLIN_WINDOWS_ARCH:-auto}" in
  32 | 64 | both)
    [ "$TARVOLIN_WINDOWS_ARCH" = both ] && builds=(32 64) || builds=("$TARVOLIN_WINDOWS_ARCH")
    echo "test-windows: TARVOLIN_WINDOWS_ARCH=$TARVOLIN_WINDOWS_ARCH: the ${builds[*]}-bit build(s)"
    ;;
  auto)
    reason=$(why_no_32bit)
    if [ -z "$reason" ]; then
      echo "test-windows: this machine runs 32-bit programs ($WINE32 starts):" \
        "the 32-bit build under 32-bit Wine, then the 64-bit build under 64-bit Wine"
      builds=(32 64)
    else
      echo "test-windows: this machine cannot run 32-bit programs ($reason):" \
        "the 64-bit build under 64-bit Wine"
      builds=(64)
    fi
    ;;
  *)
    echo "test-windows: TARVOLIN_WINDOWS_ARCH must be 32, 64, both or auto" >&2
    exit 2
    ;;
esac

overall=0
for bits in "${builds[@]}"; do
  run_build "$bits" "$@" || overall=1
done
exit "$overall"
