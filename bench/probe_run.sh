#!/bin/sh
# Prints how the window takes many files: the time from starting the program
# to its window on screen with 0, 100, 1,000 and 10,000 files named and with
# a folder of 10,000, probing 1,000 files against ffprobe run on them one
# after another (divided by the cores) with the event loop's longest lateness
# meanwhile, and what adding, removing and moving one task costs with 10 and
# with 10,000 tasks in the list.
# Usage: bench/probe_run.sh [build dir] [files] [rounds]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
build=${1:-$root/build}
files=${2:-1000}
rounds=${3:-3}

if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DTARVOLIN_TESTS=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build" -j2 --target probe_bench tarvolin wmaspi
bench="$build/benchbin/probe_bench"

work=$(mktemp -d "${TMPDIR:-/tmp}/tarvolin_probe_bench.XXXXXX")
trap 'rm -rf "$work"' EXIT INT TERM
QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} "$bench" "$build/bin" "$work" "$files" "$rounds"
