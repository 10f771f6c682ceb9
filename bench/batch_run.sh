#!/bin/sh
# Prints how a batch of short 720p clips converted to 480x272 through the
# batch driver compares with running the same ffmpeg commands directly:
#   (a) as many conversions at once as processors / (ffmpeg's CPU time / processors)
#   (b) one at a time / the ffmpeg commands one after another
# Usage: bench/batch_run.sh [build dir] [clips] [seconds] [rounds]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
build=${1:-$root/build}
clips=${2:-8}
seconds=${3:-4}
rounds=${4:-2}

if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DTARVOLIN_GUI=OFF -DTARVOLIN_TESTS=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build" -j2 --target batch_bench wmaspi profiles
bench="$build/benchbin/batch_bench"

work=$(mktemp -d "${TMPDIR:-/tmp}/tarvolin_batch_bench.XXXXXX")
trap 'rm -rf "$work"' EXIT INT TERM
"$bench" "$build/bin" "$work" "$clips" "$seconds" "$rounds"
