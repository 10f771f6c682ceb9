# Sourced by the tests that run the real program under a real X server with
# a window manager (Xvfb and openbox). $test names the test in messages.

# Exits 77 (skipped) when one of the tools is missing.
need_tools() {
  for tool in "$@"; do
    if ! command -v "$tool" >/dev/null; then
      echo "$test: $tool is missing; skipped" >&2
      exit 77
    fi
  done
}

# Runs "$script --inside $work" on a virtual display. Exit status 3 from it:
# no window manager came up (another xvfb-run may have taken the same
# display number at once); tried again on another number, drawn from far
# above the usual :99.
run_on_virtual_desktop() {
  local script=$1 work=$2 status
  for _ in 1 2 3; do
    status=0
    xvfb-run -a -n $((200 + RANDOM % 700)) -s "-screen 0 1280x1024x24" "$script" --inside "$work" ||
      status=$?
    [ "$status" = 3 ] || exit "$status"
  done
  exit 1
}

# Waits up to $1 tenths of a second for a command to succeed.
wait_for() {
  local tenths=$1
  shift
  for _ in $(seq "$tenths"); do
    "$@" >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  return 1
}

# Starts openbox (its pid in $wm) and waits until it answers for the
# desktops; exits 3 when it does not come up.
start_window_manager() {
  local work=$1
  openbox >"$work/openbox.log" 2>&1 &
  wm=$!
  wm_up() { xdotool get_num_desktops && kill -0 "$wm"; }
  if ! wait_for 300 wm_up; then
    echo "$test: openbox did not start: $(cat "$work/openbox.log")" >&2
    exit 3
  fi
}
