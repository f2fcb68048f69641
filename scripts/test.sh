#!/bin/sh
# Sets up (packages, build) and runs the whole test suite.
set -eu
cd "$(dirname "$0")/.."
./scripts/setup.sh
cd build
ctest --output-on-failure -j "$(nproc)" --timeout 600
