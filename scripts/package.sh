#!/usr/bin/env bash
# Builds the Debian package build/quavrel_<version>_<arch>.deb in the build directory of
# scripts/test.sh, building only what the package holds.
#
#   bash scripts/package.sh
#   sudo apt-get install ./build/quavrel_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr
cmake --build build -j "$(nproc)" --target package_contents
rm -f build/quavrel_*.deb
(cd build && cpack -G DEB)
ls build/quavrel_*.deb
