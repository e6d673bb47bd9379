#!/usr/bin/env bash
# Sets up, builds, and shows Quillomat at work: the real program under Wine
# (on a headless X server when there is no display) with its built-in default
# trigger file, typing into Notepad; then what the program makes of that file.
set -eu
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh native windows windows-x64
echo
echo "== Built:"
ls -l build/windows/quillomat.exe build/windows-x64/quillomat.exe
echo
echo "== Quillomat under Wine, typing into Notepad:"
python3 scripts/demo.py --bin build/windows-x64 --screenshot build/screenshot.png
echo
echo "== The built-in default trigger file, as the program loads it:"
build/native/quillomat-check resources/default_triggers.txt
