#!/bin/bash
# Prints how a batch of 720p clips converted to 480x272 through tarvolin-cli
# compares with the same ffmpeg commands run directly:
#   (a) tarvolin-cli --jobs 1 / the ffmpeg commands one after another
#   (b) tarvolin-cli --jobs N / the ffmpeg commands run N at a time by xargs -P N
# The ffmpeg commands are the ones the stand-in runs: taken from
# tarvolin-cli --dry-run --json, with the stand-in's own switches in front.
# The command line's time includes what the window's batch does too: taking
# the folder, probing each clip, the batch log. Each figure is the best of
# the rounds, the runs taking turns; the load average is printed, since other
# work on the machine moves the figures.
# Usage: bench/cli_run.sh [build dir] [clips] [seconds] [rounds] [jobs]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
build=${1:-$root/build}
clips=${2:-8}
seconds=${3:-6}
rounds=${4:-3}
jobs=${5:-$(nproc)}
profile="PSP - MP4 H.264 480x272"

if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DTARVOLIN_GUI=OFF -DTARVOLIN_TESTS=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build" -j2 --target tarvolin-cli wmaspi profiles >/dev/null
for tool in ffmpeg jq xargs; do
  command -v "$tool" >/dev/null || { echo "cli_run: needs $tool" >&2; exit 2; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/tarvolin_cli_bench.XXXXXX")
trap 'rm -rf "$work"' EXIT INT TERM
# A portable folder of its own: the program, its encoder and the shipped
# profiles, no Preferences.ini (the defaults; --jobs and --overwrite given).
mkdir -p "$work/program" "$work/in" "$work/out" "$work/direct"
cp "$build/bin/tarvolin-cli" "$build/bin/wmaspi.dll" "$work/program/"
cp -r "$build/bin/Profiles" "$work/program/"
cli="$work/program/tarvolin-cli"

for k in $(seq 1 "$clips"); do
  ffmpeg -nostdin -v error -y -f lavfi -i "testsrc2=size=1280x720:rate=25:duration=$seconds" \
    -f lavfi -i "sine=frequency=$((300 + 40 * k)):duration=$seconds" \
    -c:v mpeg4 -q:v 4 -c:a aac "$work/in/clip$k.mp4"
done

# The same commands for ffmpeg directly, one script each, writing elsewhere.
"$cli" --dry-run --json --overwrite -p "$profile" -o "$work/out" "$work/in" >"$work/plan.jsonl"
planned=$(grep -c '"event":"plan"' "$work/plan.jsonl")
[ "$planned" = "$clips" ] || { echo "cli_run: the plan has $planned tasks, not $clips" >&2; exit 1; }
jq -r --arg direct "$work/direct/" '
  select(.event == "plan")
  | .output as $out
  | ($direct + (.output | split("/") | last)) as $new
  | ["ffmpeg", "-hide_banner", "-nostdin", "-loglevel", "error", "-nostats"]
    + (.arguments | map(if . == $out then $new else . end))
  | @sh' "$work/plan.jsonl" >"$work/commands"

now() { date +%s.%N; }
# The seconds of each run, a line "name seconds" each.
: >"$work/times"
timed() { # name command...
  local name=$1 start
  shift
  start=$(now)
  "$@"
  echo "$name $(now) $start" | awk '{ printf "%s %.3f\n", $1, $2 - $3 }' >>"$work/times"
}
one_by_one() { while IFS= read -r command; do eval "$command"; done <"$work/commands"; }
at_once() { tr '\n' '\0' <"$work/commands" | xargs -0 -P "$jobs" -I{} sh -c {}; }
load_before=$(cut -d' ' -f1-3 /proc/loadavg)
for round in $(seq 1 "$rounds"); do
  timed cli1 "$cli" -q --overwrite -j 1 -p "$profile" -o "$work/out" "$work/in" >/dev/null
  timed direct1 one_by_one
  timed cliN "$cli" -q --overwrite -j "$jobs" -p "$profile" -o "$work/out" "$work/in" >/dev/null
  timed directN at_once
done
best() { awk -v name="$1" '$1 == name && (min == "" || $2 < min) { min = $2 } END { print min }' "$work/times"; }
best_cli1=$(best cli1) best_direct1=$(best direct1) best_cliN=$(best cliN) best_directN=$(best directN)

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", a / b }'; }
printf 'clips: %d of %d s at 1280x720 -> "%s", best of %d rounds, %d processors\n' \
  "$clips" "$seconds" "$profile" "$rounds" "$(nproc)"
printf 'load average before and after: %s / %s\n' "$load_before" "$(cut -d' ' -f1-3 /proc/loadavg)"
printf '(a) one at a time:  tarvolin-cli -j 1 %.2f s, ffmpeg one after another %.2f s: %sx (target <= 1.03)\n' \
  "$best_cli1" "$best_direct1" "$(ratio "$best_cli1" "$best_direct1")"
printf '(b) %d at a time:    tarvolin-cli -j %d %.2f s, ffmpeg by xargs -P %d %.2f s: %sx (target <= 1.03)\n' \
  "$jobs" "$jobs" "$best_cliN" "$jobs" "$best_directN" "$(ratio "$best_cliN" "$best_directN")"
