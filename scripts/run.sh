#!/usr/bin/env bash
# Set-up, build, and start the program; arguments are passed on as its
# command line (files, folders, or one ".tmp" list file).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "No display: this machine has no DISPLAY or WAYLAND_DISPLAY, so the window cannot be shown." >&2
  echo "Run it on a desktop, or under a virtual one: xvfb-run -a scripts/run.sh" >&2
  exit 1
fi
exec build/bin/tarvolin "$@"
