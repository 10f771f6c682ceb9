#!/bin/sh
# Prints how the program's way of running the encoder compares with running
# ffmpeg and ffprobe directly, on the same generated clips, the fastest of
# the rounds on each side, and the machine's load before and after:
#   (a) 10 conversions of 5 s clips through RunEncoder and the stand-in /
#       ffmpeg directly (target <= 1.03)
#   (b) 50 probes through EncoderProber / ffprobe one after another
#   (c) 10 conversions of 1 s clips, as (a) (target <= 1.05)
# The machine may be shared: run it when it is otherwise idle.
# Usage: bench/run.sh [build dir] [rounds]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
build=${1:-$root/build}
rounds=${2:-5}

if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DTARVOLIN_GUI=OFF -DTARVOLIN_TESTS=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build" -j2 --target engine_bench wmaspi
bench="$build/benchbin/engine_bench"

work=$(mktemp -d "${TMPDIR:-/tmp}/tarvolin_bench.XXXXXX")
trap 'rm -rf "$work"' EXIT INT TERM
"$bench" "$build/bin/wmaspi.dll" "$work" "$rounds" 10 50
