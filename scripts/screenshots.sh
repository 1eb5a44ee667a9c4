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
sleep 1
export DISPLAY=":$(cat "$root/build/xvfb-display")"
trap 'kill $xvfb 2>/dev/null; "$WINESERVER" -k 2>/dev/null || true' EXIT

scenario="$root/build/screens-server.json"
echo '{"servers": [{"names": ["localhost"], "versions": {}}], "engine": {"op26Status": 9}}' > "$scenario"
export QM_SERVER_SCENARIO="$("$WINE64" winepath -w "$scenario" 2>/dev/null | tr -d '\r')"

shot() {  # name, argument
  "$WINE64" "$bin/show_messages.exe" "$2" >"$root/build/screens-$1.log" 2>&1 &
  local pid=$!
  sleep 6
  import -window root "$out/$1.png"
  kill "$pid" 2>/dev/null || true
  "$WINESERVER" -k 2>/dev/null || true
  sleep 1
}
shot engine-connection-message engine
shot replication-question replication
echo "screenshots in $out"
