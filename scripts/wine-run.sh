#!/usr/bin/env bash
# Runs a Windows program under Wine: wine-run.sh PROGRAM.exe [ARGS...]
set -u
. "$(dirname "$0")/wine-env.sh"
ensure_display || exit 1
ensure_wineprefix
"$WINE" "$@"
status=$?
if [ -n "$QUILLOMAT_XVFB_PID" ]; then
    "$WINESERVER" -k 2>/dev/null
    stop_display
fi
exit $status
