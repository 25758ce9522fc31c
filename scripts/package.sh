#!/usr/bin/env bash
# Builds the Debian package build/quavrel_<version>_<arch>.deb, reusing the build directory of
# scripts/test.sh (only what depends on the install prefix is built again).
#
#   bash scripts/package.sh
#   sudo apt-get install ./build/quavrel_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr
cmake --build build -j "$(nproc)"
rm -f build/quavrel_*.deb
(cd build && cpack -G DEB)
ls build/quavrel_*.deb
