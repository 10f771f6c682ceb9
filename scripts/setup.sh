#!/usr/bin/env bash
# Installs everything the program, its tests and its benchmarks need on a
# fresh Debian 12 machine (run as root). The one list of packages.
set -euo pipefail

PACKAGES=(
  # build
  cmake ninja-build g++ pkg-config clang-format
  # tests
  libgtest-dev libgmock-dev googletest
  # the encoder stand-in drives ffmpeg
  ffmpeg libavformat-dev libavcodec-dev libavutil-dev
  # the window and the preview
  qt6-base-dev qt6-multimedia-dev libgl-dev
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-libav
  # headless UI tests and screenshots; the window's place under a window manager
  xvfb xauth openbox xdotool
  # the desktop's services on private buses: a real dbus-daemon, mocked
  # logind and notification server
  dbus python3-dbusmock
  # the Debian package (dpkg-shlibdeps) and the checks of the installed files
  dpkg-dev desktop-file-utils appstream file lintian
)
# The Windows builds, tested under Wine: 64-bit everywhere, 32-bit where the
# machine can run 32-bit programs (scripts/test-windows.sh finds out by trying).
WINDOWS_PACKAGES=(g++-mingw-w64-x86-64 g++-mingw-w64-i686 wine wine64)
# Wine's 32-bit half needs the i386 architecture. Some machines cannot run
# 32-bit programs at all; there it is of no use, so a failure to install it
# is reported and the set-up goes on.
WINDOWS_32BIT_PACKAGES=(wine32)

want=("${PACKAGES[@]}")
if [ "${TARVOLIN_WINDOWS:-1}" = 1 ]; then
  want+=("${WINDOWS_PACKAGES[@]}")
fi

missing_of() {
  local p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || echo "$p"
  done
}
mapfile -t missing < <(missing_of "${want[@]}")
missing32=()
if [ "${TARVOLIN_WINDOWS:-1}" = 1 ]; then
  mapfile -t missing32 < <(missing_of "${WINDOWS_32BIT_PACKAGES[@]}")
fi
if [ ${#missing[@]} -eq 0 ] && [ ${#missing32[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO=sudo
export DEBIAN_FRONTEND=noninteractive
if [ ${#missing32[@]} -gt 0 ]; then
  $SUDO dpkg --add-architecture i386
fi
$SUDO apt-get update -qq
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  $SUDO apt-get install -y -qq "${missing[@]}" >/dev/null
fi
if [ ${#missing32[@]} -gt 0 ]; then
  echo "Installing: ${missing32[*]}"
  if ! $SUDO apt-get install -y -qq "${missing32[@]}" >/dev/null; then
    echo "setup: ${missing32[*]} could not be installed; the Windows tests will use 64-bit Wine only" >&2
  fi
fi
