#!/usr/bin/env bash
# The product's main job on a fresh Debian 12 machine: install, build, make a Wine prefix,
# register DSNSET64.dll with Wine's real ODBC installer, and remove a DSN through
# SQLConfigDataSource exactly as a user's installer does.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bash "$root/scripts/install-deps.sh"
bash "$root/scripts/build.sh" >/dev/null

export WINE_TEST_PREFIX="$root/build/wineprefix"
bash "$root/cmake/wine-prefix.sh" "$WINE_TEST_PREFIX"
run() { "$root/cmake/wine-run.sh" "$@" 2>/dev/null | tr -d '\r'; }
bin="$root/build/bin"
folder="$(run winepath -w "$bin")"

echo "== register the driver's setup library"
run "$bin/dsnset.exe" register "$folder"

# A DSN as an earlier setup left it (silent add lands with the commit; see README status).
run reg add 'HKLM\Software\ODBC\ODBC.INI\ODBC Data Sources' /v Sales /d 'Quillmere ODBC Client Interface' /f >/dev/null
run reg add 'HKLM\Software\ODBC\ODBC.INI\Sales' /v driver /d "$folder\\DSNSET64.dll" /f >/dev/null
run reg add 'HKCU\Software\ODBC\ODBC.INI\Sales' /v ServerName /d 'dbhost.1583' /f >/dev/null
run reg add 'HKCU\Software\ODBC\ODBC.INI\Sales' /v DBQ /d 'DEMODATA' /f >/dev/null

echo "== data sources before"
run "$bin/dsnset.exe" list
run "$bin/dsnset.exe" show Sales

echo "== dsnset remove Sales  (SQLConfigDataSource, ODBC_REMOVE_DSN -> ConfigDSN)"
run "$bin/dsnset.exe" remove Sales && echo "removed"

echo "== data sources after"
run "$bin/dsnset.exe" list
echo "(none listed is the expected result)"
