#!/usr/bin/env bash
# Measures what the encoder stand-in costs over calling ffmpeg and ffprobe
# directly, on the same generated clips (5 s, 320x240, tone):
#   conversion: N conversions through wmaspi.dll / the same ffmpeg commands
#   probe:      M probes through wmaspi.dll (in-process libraries, and forced
#               through ffprobe) / ffprobe on the same clips
# Usage: bench/standin_bench.sh [stand-in] [rounds] [clips to convert] [probes]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
standin=${1:-$here/../build-encoder/bin/wmaspi.dll}
rounds=${2:-3}
nconv=${3:-10}
nprobe=${4:-50}
[ -x "$standin" ] || { echo "no stand-in at $standin" >&2; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/standin_bench.XXXXXX")
trap 'rm -rf "$work"' EXIT INT TERM

for i in $(seq "$nconv"); do
  ffmpeg -hide_banner -nostdin -loglevel error -y \
    -f lavfi -i "testsrc=size=320x240:rate=25" -f lavfi -i "sine=frequency=$((300 + i * 20))" \
    -t 5 -pix_fmt yuv420p -c:v libx264 -preset veryfast -c:a aac "$work/clip$i.mp4"
done

now() { date +%s%N; }
options=(-vcodec libx264 -s 320x240 -acodec aac)

convert_direct() {
  for i in $(seq "$nconv"); do
    ffmpeg -nostdin -y -i "$work/clip$i.mp4" "${options[@]}" "$work/direct$i.mp4" >/dev/null 2>&1
  done
}
convert_standin() {
  for i in $(seq "$nconv"); do
    "$standin" -y -i "$work/clip$i.mp4" "${options[@]}" "$work/standin$i.mp4" >/dev/null 2>&1
  done
}
probe_direct() {
  for i in $(seq "$nprobe"); do
    ffprobe "$work/clip$(( (i - 1) % nconv + 1 )).mp4" >/dev/null 2>&1
  done
}
probe_standin() {
  for i in $(seq "$nprobe"); do
    "$standin" -i "$work/clip$(( (i - 1) % nconv + 1 )).mp4" >/dev/null 2>&1 || true
  done
}
probe_standin_ffprobe() { TARVOLIN_STANDIN_PROBE=ffprobe probe_standin; }

# Each round runs every variant once, alternating. The machine may be busy
# with other work, so the fastest round's wall time is compared, and the
# CPU time (user + system, ffmpeg's included) summed over all rounds.
variants=(convert_direct convert_standin probe_direct probe_standin probe_standin_ffprobe)
declare -A wall cpu
for name in "${variants[@]}"; do wall[$name]=; cpu[$name]=0; done
TIMEFORMAT='%R %U %S'
for r in $(seq "$rounds"); do
  for name in "${variants[@]}"; do
    read -r real user sys < <({ time "$name"; } 2>&1)
    w=$(awk -v x="$real" 'BEGIN { printf "%d", x * 1000 }')
    c=$(awk -v u="$user" -v s="$sys" 'BEGIN { printf "%d", (u + s) * 1000 }')
    if [ -z "${wall[$name]}" ] || [ "$w" -lt "${wall[$name]}" ]; then wall[$name]=$w; fi
    cpu[$name]=$(( cpu[$name] + c ))
  done
done

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", a / b }'; }
report() { # label, variant, baseline, target
  echo "$1: ${wall[$2]} ms / ${wall[$3]} ms = $(ratio "${wall[$2]}" "${wall[$3]}") wall (best round)," \
       "CPU $(ratio "${cpu[$2]}" "${cpu[$3]}")${4:+ (target <= $4)}"
}
echo "per round: $nconv conversions, $nprobe probes; $rounds rounds; load: $(cut -d' ' -f1-3 /proc/loadavg)"
report "conversion, stand-in / ffmpeg" convert_standin convert_direct 1.05
report "probe, stand-in (libraries) / ffprobe" probe_standin probe_direct 1.3
report "probe, stand-in (via ffprobe) / ffprobe" probe_standin_ffprobe probe_direct 1.3
