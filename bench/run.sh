#!/bin/sh
# Prints how the program's way of running the encoder compares with running
# ffmpeg and ffprobe directly, on the same generated clips:
#   (a) 10 conversions through RunEncoder and the stand-in / ffmpeg directly
#   (b) 50 probes through EncoderProber / ffprobe one after another
# Usage: bench/run.sh [build dir] [rounds]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
build=${1:-$root/build-engine}
rounds=${2:-3}

if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DTARVOLIN_GUI=OFF -DTARVOLIN_TESTS=OFF >/dev/null
fi
if cmake --build "$build" --target help 2>/dev/null | grep -q '^engine_bench'; then
  cmake --build "$build" -j2 --target engine_bench wmaspi
  bench="$build/benchbin/engine_bench"
else
  # The build does not include bench/: compile the program against the
  # core library of that build.
  cmake --build "$build" -j2 --target tarvolin_core wmaspi
  mkdir -p "$build/benchbin"
  bench="$build/benchbin/engine_bench"
  ${CXX:-g++} -std=c++20 -O2 -Wall -Wextra -I "$root/src" "$here/EngineBench.cpp" \
    "$build/libtarvolin_core.a" -o "$bench"
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/tarvolin_bench.XXXXXX")
trap 'rm -rf "$work"' EXIT INT TERM
"$bench" "$build/bin/wmaspi.dll" "$work" "$rounds" 10 50
