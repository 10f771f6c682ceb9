#!/usr/bin/env bash
# Takes the README's screenshot (docs/screenshot.png, or the file named as the
# first argument): the main window with a few tasks, under a virtual display
# (Xvfb). The clips are made by ffmpeg in a temporary folder and named on the
# program's command line; the program runs from a copy of its folder, so the
# Preferences.ini of the build is not touched.
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-docs/screenshot.png}
case "$out" in /*) ;; *) out="$PWD/$out" ;; esac
build=${TARVOLIN_BUILD:-build}

cmake -S . -B "$build" -G Ninja >/dev/null
cmake --build "$build" --target tarvolin

work=$(mktemp -d /tmp/tv.XXXX)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/program" "$work/Videos"
cp "$build/bin/tarvolin" "$build/bin/wmaspi.dll" "$work/program/"
cp -r "$build/bin/Profiles" "$work/program/"
printf '[Main]\r\nOutput Path=%s/Videos/PSP/\r\n' "$HOME" >"$work/program/Preferences.ini"

clip() { # name, seconds, size, video source
  ffmpeg -nostdin -loglevel error -y -f lavfi -i "$4=duration=$2:size=$3:rate=25" \
    -f lavfi -i "sine=frequency=440:duration=$2" -shortest -c:v mpeg4 -q:v 4 "$work/Videos/$1"
}
clip "Aerial view.avi" 14 640x360 testsrc2
clip "Skate park.mp4" 9 480x272 smptehdbars
clip "Birthday - part 1.mpg" 21 352x288 testsrc
clip "Birthday - part 2.mpg" 6 352x288 rgbtestsrc
clip "Concert (encore).mov" 12 320x240 pal100bars

mkdir -p "$(dirname "$out")"
if command -v xvfb-run >/dev/null; then
  display=(xvfb-run -a -s "-screen 0 1280x1024x24")
else
  echo "screenshot: xvfb-run is missing; taking the picture offscreen" >&2
  display=(env QT_QPA_PLATFORM=offscreen)
fi
TARVOLIN_SCREENSHOT="$out" "${display[@]}" "$work/program/tarvolin" "$work"/Videos/*
echo "screenshot: $out"
