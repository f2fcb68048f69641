#!/bin/sh
# Installs the Debian packages that the build, the tests and the program need
# (only when one is missing), then configures and builds into build/.
# With --fuzz it installs what the fuzz targets need as well (see fuzz/README.md).
set -eu
cd "$(dirname "$0")/.."

PACKAGES="build-essential cmake ninja-build pkg-config \
  qt6-base-dev qt6-base-dev-tools libgl-dev \
  libcurl4-openssl-dev ca-certificates libgumbo-dev \
  libcpp-httplib-dev libssl-dev libbrotli-dev zlib1g-dev \
  libgtest-dev libgmock-dev liblz4-dev nlohmann-json3-dev libexpat1-dev libuchardet-dev \
  fonts-noto-cjk xvfb xauth qt6-translations-l10n dpkg-dev file"
if [ "${1:-}" = "--fuzz" ]; then
  PACKAGES="$PACKAGES clang libclang-rt-14-dev"
fi

missing=""
for p in $PACKAGES; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing="$missing $p"
  fi
done
if [ -n "$missing" ]; then
  SUDO=""
  if [ "$(id -u)" != 0 ]; then SUDO=sudo; fi
  echo "setup: installing$missing"
  $SUDO env DEBIAN_FRONTEND=noninteractive apt-get update -q
  $SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends $missing
fi

BUILD_TYPE="${VEXALORN_BUILD_TYPE:-RelWithDebInfo}"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE="$BUILD_TYPE" >/dev/null
cmake --build build -j "$(nproc)"
