#!/usr/bin/env bash
# Creates the build tree's Wine prefix once, with the settings the tests rely on:
# no crash dialog (a crash would hang for ever), headless graphics, unmanaged windows
# for Xvfb, and Wine's own fonts so dialogs have their real size.
set -euo pipefail
WINE_TEST_PREFIX="$1"
source "$(dirname "$0")/wine-env.sh"
stamp="$WINEPREFIX/.dsnset-prefix-ready"
[ -f "$stamp" ] && exit 0
mkdir -p "$WINEPREFIX"
"$WINE64" wineboot -i >/dev/null 2>&1 || true
"$WINESERVER" -w
reg() { "$WINE64" reg add "$@" /f >/dev/null 2>&1; }
reg 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0
reg 'HKCU\Software\Wine\Drivers' /v Graphics /d 'x11,null'
reg 'HKCU\Software\Wine\X11 Driver' /v Managed /d N
"$WINESERVER" -w
mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
ln -sf /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/"
touch "$stamp"
