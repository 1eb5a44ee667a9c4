#!/usr/bin/env bash
# The setup dialog worked with real keystrokes: X events from xdotool reach the dialog that
# "dsnset --window" opens under Xvfb, as a user's keyboard would. The focus at start, the
# tab order, the mnemonics, Enter only while OK is enabled and Esc, read back from "odbc.ini".
# Arguments: the build's bin folder and its Wine prefix.
set -euo pipefail
bin="$1"
export WINE_TEST_PREFIX="$2"
source "$(dirname "$0")/../cmake/wine-env.sh"
work="$(mktemp -d)"
fail() { echo "keyboard test FAILED: $*" >&2; exit 1; }

# The desktop keeps the graphics driver it started with: this test's wineserver starts with X.
"$WINESERVER" -k 2>/dev/null || true
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp 2>/dev/null &
xvfb=$!
trap '"$WINESERVER" -k 2>/dev/null || true; kill $xvfb 2>/dev/null || true; rm -rf "$work"' EXIT
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$work/display")"

cat >"$work/server.json" <<'JSON'
{"servers": [{"names": ["dbhost"], "versions": {"1": {"major": 9, "platform": "WNT "}},
              "databases": [{"name": "DEFAULTDB"}, {"name": "DEMODATA"}]}]}
JSON
export QM_SERVER_SCENARIO="$("$WINE64" winepath -w "$work/server.json" 2>/dev/null | tr -d '\r')"
dsnset() { "$WINE64" "$bin/dsnset.exe" "$@" 2>&1 | tr -d '\r'; return "${PIPESTATUS[0]}"; }
dsnset register "$("$WINE64" winepath -w "$bin" 2>/dev/null | tr -d '\r')" >/dev/null || fail "register"
forget() {  # WINE8: the installer's remove leaves the DSN's keys in the user's hive
  dsnset remove Sales >/dev/null 2>&1 || true
  "$WINE64" reg delete 'HKCU\Software\ODBC\ODBC.INI\Sales' /f >/dev/null 2>&1 || true
}
forget

caption='^Quillmere 64-bit ODBC DSN Setup$'
dialog() {  # waits for the setup dialog and gives it the keyboard
  for _ in $(seq 200); do
    w="$(xdotool search --onlyvisible --name "$caption" 2>/dev/null | head -1)" && [ -n "$w" ] && break
    sleep 0.1
  done
  [ -n "$w" ] || fail "the setup dialog did not open"
  # A window just mapped may refuse the focus for a moment (BadMatch): asked again.
  for _ in $(seq 50); do xdotool windowfocus --sync "$w" 2>/dev/null && return; sleep 0.1; done
  fail "the setup dialog did not take the keyboard"
}
keys() { xdotool "$@"; sleep 0.3; }

dsnset --window add >"$work/add.out" & adding=$!
dialog
keys type --delay 30 Sales               # the name box has the focus at start
keys key Return                          # OK is disabled: Enter does nothing
xdotool search --name "$caption" >/dev/null || fail "Enter closed the dialog while OK was disabled"
keys key Tab type --delay 30 Desc        # Tab: the description, its text selected and replaced
keys key alt+i End                       # the server box, "localhost" in it
keys key --repeat 9 BackSpace type --delay 30 dbhost
keys key alt+l                           # Get List: the first database selected
sleep 2                                  # the list is filled from the stand-in server
keys key alt+b Down                      # the database list: the next name
keys key Return                          # OK, now enabled
wait $adding || fail "dsnset --window add ended with $?: $(cat "$work/add.out")"
shown="$(dsnset show Sales)"
for line in "Description=Desc" "ServerName=dbhost.1583" "DBQ=DEMODATA"; do
  grep -qxF "$line" <<<"$shown" || fail "expected $line in: $shown"
done

dsnset --window configure Sales >/dev/null & configuring=$!
dialog
keys key alt+d type --delay 30 Changed   # the description by its mnemonic
keys key Escape                          # Esc is Cancel: nothing written
code=0; wait $configuring || code=$?
[ "$code" -eq 1 ] || fail "a cancelled configure ended with $code, expected 1"
[ "$(dsnset show Sales)" = "$shown" ] || fail "Esc changed the DSN"
forget
echo "keyboard test: focus, Tab, mnemonics, Enter and Esc as expected"
