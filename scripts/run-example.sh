#!/bin/sh
# Sets up (packages, build) and checks the bundled example site with the
# terminal program; prints where the results are.
set -eu
cd "$(dirname "$0")/.."
./scripts/setup.sh
exec ./build/vexalorn-cli "$@" "example/site/*.html"
