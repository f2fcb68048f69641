#!/bin/sh
# Sets up and builds (scripts/setup.sh, optimised build unless
# VEXALORN_BUILD_TYPE says otherwise), then runs the link benchmark:
# a generated site served on 127.0.0.1, checked as a batch by the terminal
# program with PARALLEL=1 and with the default settings; two pages on a
# server that answers one request at a time, checked the same two ways; and
# one local page of about 7 MB with 100,000 file links. Options go to the
# benchmark:
#
#   scripts/bench.sh [--before-rev REV] [--pages N] [--links N] [--slow-ms N]
#                    [--serial-links N] [--keep-alive N] [--only site|serial|big]
#                    [--cli PATH] [--before PATH] [--timeout S]
#
# --before-rev REV builds the terminal program of an earlier commit (in
# build/before/, same build type) and runs it at its defaults beside this
# one, in the same session: the figures of before and after side by side.
set -eu
cd "$(dirname "$0")/.."

BUILD_TYPE="${VEXALORN_BUILD_TYPE:-Release}"
VEXALORN_BUILD_TYPE="$BUILD_TYPE" ./scripts/setup.sh

if [ "${1:-}" = "--before-rev" ]; then
  if [ $# -lt 2 ]; then
    echo "bench.sh: --before-rev needs a commit" >&2
    exit 2
  fi
  rev="$2"
  shift 2
  rm -rf build/before/src
  mkdir -p build/before/src
  git archive "$rev" | tar -x -C build/before/src
  cmake -S build/before/src -B build/before/build -G Ninja \
    -DCMAKE_BUILD_TYPE="$BUILD_TYPE" >/dev/null
  cmake --build build/before/build -j "$(nproc)" --target vexalorn-cli
  set -- --before build/before/build/vexalorn-cli "$@"
fi
exec build/bench_link_bench "$@"
