#!/usr/bin/env bash
# The real program killed (SIGKILL) in the middle of a batch under a real X
# server with a window manager, then started again: the task list is back,
# the task that was converting is "Interrupted", no file has the output's
# final name, the temporary output it left is removed (and only that one),
# and Start converts the task whole.
#
# Usage: SurvivalTest.sh <folder of the built program, wmaspi.dll and Profiles>
# Exits 77 (skipped) when xvfb-run, openbox, xdotool or ffmpeg is missing
# (scripts/setup.sh installs them).
set -euo pipefail
test=SurvivalTest
. "$(dirname "$0")/DesktopSession.sh"

if [ "${1:-}" != --inside ]; then
  built=$(cd "$1" && pwd)
  need_tools xvfb-run openbox xdotool ffmpeg ffprobe
  work=$(mktemp -d /tmp/tarvolin-survival.XXXX)
  trap 'rm -rf "$work"' EXIT
  # A portable program folder of its own: its Preferences.ini and its
  # tasks.list are the test's.
  mkdir -p "$work/program" "$work/in" "$work/out"
  cp "$built/tarvolin" "$work/program/"
  ln -s "$built/wmaspi.dll" "$work/program/wmaspi.dll"
  cp -r "$built/Profiles" "$work/program/Profiles"
  printf '[Main]\r\nOutput Path=%s/out/\r\nAuto Open Dir=0\r\n[Options]\r\nProfile Name=MP4 - H.264 AAC\r\n' \
    "$work" >"$work/program/Preferences.ini"
  # Long enough that the kill comes while it converts.
  ffmpeg -v error -f lavfi -i testsrc=duration=20:size=640x480:rate=25 \
    -f lavfi -i sine=duration=20 -c:v mpeg4 -q:v 5 -c:a mp2 "$work/in/clip [1]=a.avi"
  run_on_virtual_desktop "$0" "$work"
fi

work=$2
program=$work/program/tarvolin
list=$work/program/tasks.list
export QT_QPA_PLATFORM=xcb HOME=$work XDG_RUNTIME_DIR=$work
# No desktop services on this display: the program says it may not keep the
# computer awake, and goes on.
export DBUS_SYSTEM_BUS_ADDRESS=unix:path=$work/no-bus DBUS_SESSION_BUS_ADDRESS=unix:path=$work/no-bus
fail() {
  echo "SurvivalTest: $*" >&2
  [ -f "$list" ] && sed 's/^/  tasks.list: /' "$list" >&2
  exit 1
}
start_window_manager "$work"
pid=
trap 'kill $wm 2>/dev/null; [ -n "$pid" ] && kill -9 $pid 2>/dev/null; true' EXIT

window=
start() {
  "$program" "$@" >>"$work/program.log" 2>&1 &
  pid=$!
  found() { window=$(xdotool search --all --onlyvisible --pid "$pid" --name "Tarvolin PSP" | head -1); [ -n "$window" ]; }
  wait_for 300 found || fail "the window did not show"
}
# The task line's field n (1: "task", 2: id, 3: status, 4: input, 10: the
# temporary output).
field() { awk -F'\t' -v n="$1" '$1 == "task" { print $n; exit }' "$list"; }
status_is() { [ "$(field 3)" = "$1" ]; }
# F5 (Start) once the window has the focus; a Start refused while the task
# is probed shows a message, which Return closes before the next try.
press_start() {
  for _ in 1 2 3 4 5; do
    xdotool windowactivate --sync "$window" >/dev/null 2>&1 || true
    xdotool key --clearmodifiers F5
    wait_for 50 "$@" && return 0
    xdotool key --clearmodifiers Return
  done
  fail "Start did not start the batch"
}
part_written() { local p; p=$(field 10); [ -n "$p" ] && [ -s "$p" ]; }

# First run: the file from the command line, Start, and a kill while its
# output is written.
start "$work/in/clip [1]=a.avi"
press_start part_written
part=$(field 10)
kill -9 "$pid"
wait "$pid" 2>/dev/null || true
pid=
case "$part" in
"$work/out/.clip [1]=a.tarvolin-part-1.mp4") ;;
*) fail "the temporary output is \"$part\"" ;;
esac
final="$work/out/clip [1]=a.mp4"
[ -f "$part" ] || fail "the killed encoder left no temporary output"
[ ! -e "$final" ] || fail "a file has the output's final name after the kill"
# A file of the same pattern that the program did not create stays.
bystander="$work/out/.other.tarvolin-part-7.mp4"
echo "not ours" >"$bystander"

# Second run: the list is back, the task Interrupted, its temporary output
# gone; closed normally, the list says so.
start
wait_for 100 test ! -e "$part" || fail "the temporary output was not removed"
wait_for 100 status_is Interrupted || fail "the task is not Interrupted"
[ "$(grep -c '^task' "$list")" = 1 ] || fail "the list does not hold the one task"
[ "$(field 2)" = 1 ] || fail "the task's id changed"
[ -f "$bystander" ] || fail "a file the program did not create was removed"
[ ! -e "$final" ] || fail "a file has the output's final name"
import -window root "$work/restored.png" 2>/dev/null || true
press_start status_is Converting
wait_for 1200 status_is Complete || fail "the task did not convert"
kill -TERM "$pid"
wait "$pid" || fail "the program did not end normally"
pid=
grep -q "^exit	normal$" "$list" || fail "the list does not say the program ended normally"
[ -z "$(ls -A "$work/out" | grep -v '^\.other\.')" ] && fail "no output"
ls -A "$work/out" | grep -q 'tarvolin-part-1' && fail "a temporary output is left"
length=$(ffprobe -v error -show_entries format=duration -of csv=p=0 "$final")
awk -v l="$length" 'BEGIN { exit !(l > 19.5 && l < 20.5) }' || fail "the output lasts $length s, not 20"
echo "SurvivalTest: killed while converting, brought back Interrupted, then converted whole ($length s)"
