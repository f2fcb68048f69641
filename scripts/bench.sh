#!/bin/sh
# Sets up and builds (scripts/setup.sh, optimised build unless
# VEXALORN_BUILD_TYPE says otherwise), then runs the link benchmark:
# a generated site served on 127.0.0.1, checked as a batch by the terminal
# program with PARALLEL=1 and with the default settings, and one local page
# of about 7 MB with 100,000 file links. Options go to the benchmark:
#
#   scripts/bench.sh [--pages N] [--links N] [--slow-ms N] [--only site|big]
#                    [--cli PATH] [--timeout S]
set -eu
cd "$(dirname "$0")/.."

VEXALORN_BUILD_TYPE="${VEXALORN_BUILD_TYPE:-Release}" ./scripts/setup.sh
exec build/bench_link_bench "$@"
