#!/usr/bin/env bash
# Creates the build tree's Wine prefix once, with the settings the tests rely on:
# no crash dialog (a crash would hang for ever), headless graphics, unmanaged windows
# for Xvfb, Wine's own fonts so dialogs have their real size, and a drive N: of type
# "network" (Wine then reports DRIVE_REMOTE for it) for the path conversion's tests. The
# prefix is stamped ready only when every step has been checked; a failed set-up fails and
# is tried again by the next run.
set -euo pipefail
WINE_TEST_PREFIX="$1"
source "$(dirname "$0")/wine-env.sh"
stamp="$WINEPREFIX/.dsnset-prefix-ready-2"
[ -f "$stamp" ] && exit 0
fail() { echo "wine-prefix: $*" >&2; exit 1; }
mkdir -p "$WINEPREFIX"
# wineboot may answer non-zero for the missing 32-bit part alone; what it made is checked.
"$WINE64" wineboot -i >/dev/null 2>&1 || true
"$WINESERVER" -w
[ -s "$WINEPREFIX/system.reg" ] && [ -s "$WINEPREFIX/user.reg" ] || fail "wineboot made no registry in $WINEPREFIX"
[ -d "$WINEPREFIX/drive_c/windows/system32" ] || fail "wineboot made no system directory in $WINEPREFIX"
setting() {
  "$WINE64" reg add "$1" /v "$2" "${@:3}" /f >/dev/null 2>&1 || fail "could not set $1\\$2"
  "$WINE64" reg query "$1" /v "$2" >/dev/null 2>&1 || fail "$1\\$2 did not stay set"
}
setting 'HKCU\Software\Wine\WineDbg' ShowCrashDialog /t REG_DWORD /d 0
setting 'HKCU\Software\Wine\Drivers' Graphics /d 'x11,null'
setting 'HKCU\Software\Wine\X11 Driver' Managed /d N
mkdir -p "$WINEPREFIX/network-drive"
ln -sfn "$WINEPREFIX/network-drive" "$WINEPREFIX/dosdevices/n:"
setting 'HKLM\Software\Wine\Drives' 'n:' /d network
"$WINESERVER" -w
fonts=(/usr/share/wine/fonts/*)
[ -e "${fonts[0]}" ] || fail "no Wine fonts in /usr/share/wine/fonts (package fonts-wine)"
mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
ln -sf "${fonts[@]}" "$WINEPREFIX/drive_c/windows/Fonts/"
touch "$stamp"
