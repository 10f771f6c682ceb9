#!/usr/bin/env bash
# Set-up, build, and every test: the core's unit tests, the end-to-end tests
# with the real stand-in and ffmpeg, the headless window tests, the installed
# layout, and the Windows builds' tests under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh
export QT_QPA_PLATFORM=offscreen
ctest --test-dir build --output-on-failure -j"$(nproc)"
# The installed layout: cmake --install into a scratch folder, the desktop
# entry and metainfo validated, the installed program run with a scratch HOME,
# the Debian package built.
scripts/check-install.sh
if [ -x scripts/test-windows.sh ]; then
  scripts/test-windows.sh
fi
