#!/usr/bin/env bash
# Renders what a user sees under Xvfb and keeps the pictures in docs/screenshots/.
set -euo pipefail
source "$(dirname "$0")/wine-session.sh"
source "$root/cmake/wine-env.sh"
out="$root/docs/screenshots"
mkdir -p "$out"

"$WINESERVER" -k 2>/dev/null || true   # the desktop keeps the driver it started with
exec 3>"$root/build/xvfb-display"
Xvfb -displayfd 3 -screen 0 800x500x24 -nolisten tcp 2>/dev/null &
xvfb=$!
# until() CONDITION...: polls the condition for up to 30 s; fails the script when it never holds.
until_ready() {
  for _ in $(seq 300); do "$@" && return 0; sleep 0.1; done
  echo "screenshots: gave up waiting for: $*" >&2
  exit 1
}
until_ready test -s "$root/build/xvfb-display"   # Xvfb writes its display number once it serves
export DISPLAY=":$(cat "$root/build/xvfb-display")"
trap 'kill $xvfb 2>/dev/null; "$WINESERVER" -k 2>/dev/null || true' EXIT

scenario="$root/build/screens-server.json"
echo '{"servers": [{"names": ["localhost"], "versions": {}}, {"names": ["dbhost"], "versions": {"1": {"major": 9}},
  "databases": [{"name": "DEFAULTDB"}, {"name": "DEMODATA", "integrity": 1, "dictionary": "\\\\dbhost\\data\\demodata",
  "dataFiles": "\\\\dbhost\\data\\demodata;\\\\dbhost\\archive\\demodata;\\\\dbhost\\more\\demodata"},
  {"name": "SALESDB"}], "engineDsns": [{"name": "DEMO", "description": "Demo data for the sales team",
  "database": "DEMODATA", "openMode": "-1", "translation": 2}]}], "engine": {"op26Status": 9}}' > "$scenario"
export QM_SERVER_SCENARIO="$("$WINE64" winepath -w "$scenario" 2>/dev/null | tr -d '\r')"

window_shown() { xwininfo -root -tree 2>/dev/null | grep -qF "\"$1\""; }
shot() {  # name, argument, caption of the window to wait for
  "$WINE64" "$bin/show_messages.exe" "$2" >"$root/build/screens-$1.log" 2>&1 &
  local pid=$!
  until_ready window_shown "$3"
  sleep 0.5  # the window is mapped; give it one paint
  import -window root "$out/$1.png"
  kill "$pid" 2>/dev/null || true
  "$WINESERVER" -k 2>/dev/null || true
  "$WINESERVER" -w 2>/dev/null || true
}
caption="Quillmere 64-bit ODBC DSN Setup"
shot engine-connection-message engine "$caption"
shot replication-question replication "$caption"
shot logon-dialog logon "Logon"
shot advanced-dialog advanced "Advanced Connection Attributes"
shot create-database-dialog create "Create Database"
shot add-location-dialog add-location "Add data file location"
# The setup dialog as "dsnset --window" opens it, worked with real keystrokes; each picture is
# cropped to the dialog and the window that owns it.
setup_shot() { sleep 0.7; import -window root -crop 640x420+40+40 +repage "$out/$1.png"; }
keys() { xdotool "$@"; sleep 0.3; }
"$WINE64" "$bin/dsnset.exe" register "$("$WINE64" winepath -w "$bin" 2>/dev/null | tr -d '\r')" >/dev/null 2>&1
forget_sales() {  # WINE8: the installer's remove leaves the DSN's keys in the user's hive
  "$WINE64" "$bin/dsnset.exe" remove Sales >/dev/null 2>&1 || true
  "$WINE64" reg delete 'HKCU\Software\ODBC\ODBC.INI\Sales' /f >/dev/null 2>&1 || true
}
forget_sales
"$WINE64" "$bin/dsnset.exe" --window add >/dev/null 2>&1 &
dsnset=$!
until_ready window_shown "$caption"
setup_shot setup-new
until_ready xdotool windowfocus --sync "$(xdotool search --onlyvisible --name "^$caption\$" | head -1)"
keys type --delay 20 Sales
keys key alt+i End
keys key --repeat 9 BackSpace
keys type --delay 20 dbhost
keys key alt+l
keys key alt+b Down
setup_shot setup-after-get-list
keys key Return
wait $dsnset
"$WINE64" "$bin/dsnset.exe" --window configure Sales >/dev/null 2>&1 &
dsnset=$!
until_ready window_shown "$caption"
setup_shot setup-configure
until_ready xdotool windowfocus --sync "$(xdotool search --onlyvisible --name "^$caption\$" | head -1)"
keys key alt+s End type ";"
keys key Return
setup_shot setup-failure
keys key Return
keys key Escape
wait $dsnset || true  # cancelled: dsnset ends with 1
forget_sales
# The engine DSN dialogs as "dsnset --window engine-dsn" opens them, after the Logon dialog;
# each picture cropped to the dialog.
dialog_shot() {  # name, caption
  local id
  id="$(xdotool search --onlyvisible --name "^$2\$" | head -1)"
  sleep 0.7
  eval "$(xdotool getwindowgeometry --shell "$id")"
  import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$out/$1.png"
}
log_on() {
  until_ready window_shown "Logon"
  until_ready xdotool windowfocus --sync "$(xdotool search --onlyvisible --name '^Logon$' | head -1)"
  keys key Tab
  keys type --delay 20 admin
  keys key Return
}
"$WINE64" "$bin/dsnset.exe" --window engine-dsn dbhost DEMO >/dev/null 2>&1 &
dsnset=$!
log_on
until_ready window_shown "Modify Engine DSN"
dialog_shot engine-dsn-modify "Modify Engine DSN"
keys key alt+a
until_ready window_shown "Advanced Engine DSN Attributes"
dialog_shot engine-dsn-advanced "Advanced Engine DSN Attributes"
keys key Escape
keys key Escape
wait $dsnset || true  # cancelled: dsnset ends with 1
"$WINE64" "$bin/dsnset.exe" --window engine-dsn dbhost >/dev/null 2>&1 &
dsnset=$!
log_on
until_ready window_shown "Create Engine DSN"
keys type --delay 20 Orders
keys key alt+n Down Down
dialog_shot engine-dsn-create "Create Engine DSN"
keys key Escape
wait $dsnset || true
# The replication shot leaves its DSN behind (the box was never answered): remove it.
"$WINE64" "$bin/dsnset.exe" remove Replicated >/dev/null 2>&1 || true
"$WINESERVER" -k 2>/dev/null || true
echo "screenshots in $out"
