#!/bin/sh
# Builds the Debian package of both programs from build/ (set up and built
# first when needed): build/vexalorn_VERSION_ARCH.deb, installing into /usr,
# depending on the Debian packages of the libraries the programs use.
#   scripts/package.sh
#   apt-get install ./build/vexalorn_*.deb     # then: vexalorn, vexalorn-cli
set -eu
cd "$(dirname "$0")/.."
if [ ! -f build/CMakeCache.txt ]; then
  scripts/setup.sh
fi
cmake --build build -j "$(nproc)"
rm -f build/vexalorn_*.deb
(cd build && cpack -G DEB)
ls -1 build/vexalorn_*.deb
