#!/usr/bin/env bash
# The product's main job on a fresh Debian 12 machine: install, build, make a Wine prefix
# and a stand-in server "dbhost" holding DEMODATA, register DSNSET64.dll with Wine's real
# ODBC installer, add DSN "Sales" silently through SQLConfigDataSource (dsnset), print the
# keys the installer now holds, and remove the DSN again.
set -euo pipefail
source "$(dirname "$0")/wine-session.sh"
folder="$(run winepath -w "$bin")"

scenario="$root/build/main-job-server.json"
cat > "$scenario" <<'JSON'
{
  "servers": [{
    "names": ["dbhost"],
    "versions": {"1": {"major": 9, "platform": "WNT "}},
    "databases": [{"name": "DEMODATA", "dictionary": "\\\\dbhost\\data\\demodata", "dataFiles": "\\\\dbhost\\data\\demodata"}],
    "engineDsns": [{"name": "DEMO", "description": "Demo data", "database": "DEMODATA", "openMode": "0", "translation": 0}]
  }]
}
JSON
export QM_SERVER_SCENARIO="$(run winepath -w "$scenario")"

echo "== dsnset register   (SQLInstallDriverEx)"
run "$bin/dsnset.exe" register "$folder"

echo "== dsnset add DSN=Sales ServerName=dbhost DBQ=DEMODATA   (SQLConfigDataSource, ODBC_ADD_DSN -> ConfigDSN)"
run "$bin/dsnset.exe" add DSN=Sales ServerName=dbhost DBQ=DEMODATA "Description=Sales office"
echo "== data sources"
run "$bin/dsnset.exe" list
echo "== dsnset show Sales"
run "$bin/dsnset.exe" show Sales

echo "== dsnset add DSN=Broken ServerName=nowhere DBQ=DEMODATA   (a server that cannot be reached)"
"$root/cmake/wine-run.sh" "$bin/dsnset.exe" add DSN=Broken ServerName=nowhere DBQ=DEMODATA 2>&1 | tr -d '\r' \
  && { echo "unexpected success"; exit 1; } || echo "(refused, exit code 1)"

echo "== dsnset remove Sales   (ODBC_REMOVE_DSN)"
run "$bin/dsnset.exe" remove Sales && echo "removed"
echo "== data sources"
run "$bin/dsnset.exe" list
echo "(empty: no data source left)"
