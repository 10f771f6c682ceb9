#!/usr/bin/env bash
# The main window under a real X server with a window manager (Xvfb and
# openbox): moved, made larger, closed and started again, the program's
# window comes back exactly where it was and at its size, and again at the
# next start. The headless window
# tests cannot see this: offscreen windows have no frame.
#
# Usage: WindowPlaceTest.sh <folder of the built program and wmaspi.dll>
# Exits 77 (skipped) when xvfb-run, openbox or xdotool is missing
# (scripts/setup.sh installs them).
set -euo pipefail
test=WindowPlaceTest
. "$(dirname "$0")/DesktopSession.sh"

if [ "${1:-}" != --inside ]; then
  built=$(cd "$1" && pwd)
  need_tools xvfb-run openbox xdotool
  work=$(mktemp -d /tmp/tarvolin-place.XXXX)
  trap 'rm -rf "$work"' EXIT
  # A portable program folder of its own: its Preferences.ini is the test's.
  mkdir -p "$work/program/Profiles"
  cp "$built/tarvolin" "$work/program/"
  ln -s "$built/wmaspi.dll" "$work/program/wmaspi.dll"
  run_on_virtual_desktop "$0" "$work"
fi

work=$2
program=$work/program/tarvolin
export QT_QPA_PLATFORM=xcb HOME=$work XDG_RUNTIME_DIR=$work
fail() {
  echo "WindowPlaceTest: $*" >&2
  exit 1
}
start_window_manager "$work"
pid=
trap 'kill $wm $pid 2>/dev/null || true' EXIT

window=
start() {
  "$program" >>"$work/program.log" 2>&1 &
  pid=$!
  found() { window=$(xdotool search --all --onlyvisible --pid "$pid" --name "Tarvolin PSP" | head -1); [ -n "$window" ]; }
  wait_for 300 found || fail "the window did not show"
}
# The place xdotool reports once it has stopped changing (the frame is on).
place() {
  local last= now
  for _ in $(seq 100); do
    now=$(xdotool getwindowgeometry "$window" | sed -n 's/ *Position: \([-0-9]*,[-0-9]*\).*/\1/p')
    [ -n "$now" ] && [ "$now" = "$last" ] && { echo "$now"; return; }
    last=$now
    sleep 0.3
  done
  fail "the window did not settle"
}
# SIGTERM closes the window as its close box does: the place is saved.
stop() {
  kill -TERM "$pid"
  wait "$pid" || fail "the program did not end normally"
  pid=
}
size() { xdotool getwindowgeometry "$window" | sed -n 's/ *Geometry: \([0-9]*x[0-9]*\).*/\1/p'; }
saved() { tr -d '\r' <"$work/program/Preferences.ini" | sed -n '/^\[Window\]/,/^\[/p'; }

start
place >/dev/null
xdotool windowmove "$window" 100 200
xdotool windowsize "$window" 1000 700
moved=$(place)
sized() { [ "$(size)" = 1000x700 ]; }
wait_for 300 sized || fail "the window did not grow: $(size)"
stop
first=$(saved)

start
again=$(place)
grown=$(size)
stop
[ "$again" = "$moved" ] || fail "left at $moved, came back at $again"
[ "$grown" = 1000x700 ] || fail "left at 1000x700, came back at $grown"
[ "$(saved)" = "$first" ] || fail "saved as $(echo $first), then as $(echo $(saved))"
echo "WindowPlaceTest: the window came back at $again, $grown; saved as $(echo $first)"
