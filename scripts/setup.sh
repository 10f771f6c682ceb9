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
  # headless UI tests and screenshots
  xvfb xauth
)
# The 32-bit Windows build, tested under Wine.
WINDOWS_PACKAGES=(g++-mingw-w64-i686 wine wine32)

want=("${PACKAGES[@]}")
if [ "${TARVOLIN_WINDOWS:-1}" = 1 ]; then
  want+=("${WINDOWS_PACKAGES[@]}")
fi

missing=()
for p in "${want[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO=sudo
if printf '%s\n' "${missing[@]}" | grep -q ':i386\|^wine32$'; then
  $SUDO dpkg --add-architecture i386
fi
echo "Installing: ${missing[*]}"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}" >/dev/null
