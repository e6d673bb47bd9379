#!/usr/bin/env bash
# Sets up, builds both configurations and shows what Quillomat makes of its
# built-in default trigger file.
set -eu
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh native windows windows-x64
echo
echo "== Built:"
ls -l build/windows/quillomat-check.exe build/windows-x64/quillomat-check.exe
echo
echo "== The built-in default trigger file, as the program loads it:"
build/native/quillomat-check resources/default_triggers.txt
echo
echo "== The same, checked by the Windows build under Wine:"
scripts/wine-run.sh build/windows-x64/quillomat-check.exe 'Z:'"$PWD"'/resources/default_triggers.txt'
