#!/usr/bin/env bash
# Runs a Windows program under the build tree's Wine prefix. wineserver and its helper
# processes are started first with their output on /dev/null, so that they do not hold
# ctest's pipe open after the test ends.
set -eu
source "$(dirname "$0")/wine-env.sh"
"$WINESERVER" -p30 </dev/null >/dev/null 2>&1 || true
"$WINE64" rundll32.exe user32.dll,GetDesktopWindow </dev/null >/dev/null 2>&1 || true
exec "$WINE64" "$@"
