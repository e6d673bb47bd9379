#!/usr/bin/env bash
# Builds one or more configurations: native, bench, fuzz, windows (the 32-bit
# program) and windows-x64 (the same sources for 64-bit Wine).
set -eu
cd "$(dirname "$0")/.."
for preset in "$@"; do
    echo "== build $preset"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
done
