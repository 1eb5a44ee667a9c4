#!/usr/bin/env bash
# The setup dialog that "dsnset --window" opens under Xvfb, worked with real X keystrokes from xdotool: the focus at
# start, the tab order, the mnemonics, Enter only while OK is enabled and Esc, read back from "odbc.ini".
set -euo pipefail
bin="$1" && export WINE_TEST_PREFIX="$2"  # the build's bin folder and its Wine prefix
source "$(dirname "$0")/../cmake/wine-env.sh"
work="$(mktemp -d)" caption='^Quillmere 64-bit ODBC DSN Setup$'
fail() { echo "keyboard test FAILED: $*" >&2; exit 1; }
dsnset() { "$WINE64" "$bin/dsnset.exe" "$@" 2>&1 | tr -d '\r'; return "${PIPESTATUS[0]}"; }
# WINE8: the installer's remove leaves the DSN's keys in the user's hive.
forget() { dsnset remove Sales; "$WINE64" reg delete 'HKCU\Software\ODBC\ODBC.INI\Sales' /f; } >/dev/null 2>&1
# The desktop keeps the graphics driver it started with: this test's wineserver starts with X.
"$WINESERVER" -k 2>/dev/null || true
Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp 3>"$work/display" 2>/dev/null & xvfb=$!
trap 'set +e; forget; "$WINESERVER" -k 2>/dev/null; kill $xvfb 2>/dev/null; rm -rf "$work"' EXIT
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$work/display")"
echo '{"servers": [{"names": ["dbhost"], "versions": {"1": {"major": 9, "platform": "WNT "}},
  "databases": [{"name": "DEFAULTDB"}, {"name": "DEMODATA"}]}]}' >"$work/server.json"
export QM_SERVER_SCENARIO="$("$WINE64" winepath -w "$work/server.json" 2>/dev/null | tr -d '\r')"
dsnset register "$("$WINE64" winepath -w "$bin" 2>/dev/null | tr -d '\r')" >/dev/null || fail "register"
forget || true
dialog() {  # waits for the setup dialog and gives it the keyboard, asked again while X refuses (BadMatch)
  w="$(timeout 20 xdotool search --sync --onlyvisible --name "$caption")" || fail "the setup dialog did not open"
  for _ in $(seq 50); do xdotool windowfocus --sync "${w%%$'\n'*}" 2>/dev/null && return; sleep 0.1; done
  fail "the setup dialog did not take the keyboard"
}
keys() { xdotool "$@"; sleep 0.3; }
dsnset --window add >"$work/add.out" & adding=$!; dialog
keys type --delay 30 Sales               # the name box has the focus at start
keys key Return                          # OK is disabled: Enter does nothing
xdotool search --name "$caption" >/dev/null || fail "Enter closed the dialog while OK was disabled"
keys key Tab type --delay 30 Desc        # Tab: the description, its text selected and replaced
keys key alt+i End key --repeat 9 BackSpace type --delay 30 dbhost  # the server box: "localhost" replaced
keys key alt+l sleep 2                   # Get List: filled from the stand-in server, the first name selected
keys key alt+b Down                      # the database list: the next name
keys key Return                          # OK, now enabled
wait $adding || fail "dsnset --window add ended with $?: $(cat "$work/add.out")"
shown="$(dsnset show Sales)"
[ "$(grep -cxF -e Description=Desc -e ServerName=dbhost.1583 -e DBQ=DEMODATA <<<"$shown")" = 3 ] || fail "got: $shown"
dsnset --window configure Sales >/dev/null & configuring=$!; dialog
keys key alt+d type --delay 30 Changed   # the description by its mnemonic
keys key Escape                          # Esc is Cancel: nothing written, the call ends with 1
wait $configuring && fail "a cancelled configure ended with 0" || [ $? -eq 1 ] || fail "a cancelled configure: not 1"
[ "$(dsnset show Sales)" = "$shown" ] || fail "Esc changed the DSN"
