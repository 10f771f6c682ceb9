#!/usr/bin/env bash
# Builds the Debian package of the program (tarvolin_<version>_<arch>.deb)
# from the install rules, into <build>/packages, and says how to install it.
# The build folder is build/ unless TARVOLIN_BUILD names another.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${TARVOLIN_BUILD:-build}

# The package needs no Windows tools.
TARVOLIN_WINDOWS=0 scripts/setup.sh
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
# The programs bring along what they need: wmaspi.dll, the profiles, the
# manual; and the manual pages and the changelog, compressed.
cmake --build "$build" --target tarvolin tarvolin-cli compressed_docs -j"$(nproc)"
rm -f "$build"/packages/tarvolin_*.deb
(cd "$build" && cpack -G DEB >/dev/null)

deb=$(ls "$build"/packages/tarvolin_*.deb)
echo "package: $deb"
dpkg-deb -f "$deb" Package Version Depends
echo
echo "Install it with:  sudo apt-get install ./$deb"
echo "Remove it with:   sudo apt-get remove tarvolin"
