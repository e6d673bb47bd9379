#!/usr/bin/env bash
# Prints the benchmark figures (optimised build, no sanitizers).
set -eu
cd "$(dirname "$0")/.."
scripts/build.sh bench >/dev/null
build/bench/bench/quillomat-bench "$@"
