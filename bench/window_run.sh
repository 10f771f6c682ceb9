#!/bin/sh
# Prints how a batch converted through the real main window (headless)
# behaves: the longest gap between two runs of a 10 ms timer while it
# converts, and its wall time over running the same ffmpeg commands directly.
# Usage: bench/window_run.sh [build dir] [clips] [rounds]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
build=${1:-$root/build}
clips=${2:-6}
rounds=${3:-3}

if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DTARVOLIN_TESTS=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build" -j2 --target window_bench wmaspi profiles
bench="$build/benchbin/window_bench"

work=$(mktemp -d "${TMPDIR:-/tmp}/tarvolin_window_bench.XXXXXX")
trap 'rm -rf "$work"' EXIT INT TERM
QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} "$bench" "$build/bin" "$work" "$clips" "$rounds"
