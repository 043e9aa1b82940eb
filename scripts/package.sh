#!/usr/bin/env bash
# Builds the Debian package of the program (build/pkg/velmora_<version>_<arch>.deb):
# the program, its desktop entry and its icon, with the shared libraries it
# needs declared as dependencies. Not part of CI.
set -euo pipefail
cd "$(dirname "$0")/.."
# dpkg-shlibdeps (dpkg-dev) and file find the libraries the program links.
VELMORA_EXTRA_PACKAGES="dpkg-dev file ${VELMORA_EXTRA_PACKAGES:-}" bash scripts/deps.sh
dir=build/pkg
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build "$dir" --target velmora
(cd "$dir" && cpack -G DEB)
deb=$(ls -t "$dir"/velmora_*.deb | head -n 1)
echo "Package: $deb"
dpkg-deb --info "$deb" | sed -n '/Package:/,$p'
dpkg-deb --contents "$deb"
