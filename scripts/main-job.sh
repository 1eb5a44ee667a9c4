#!/usr/bin/env bash
# The product's main job on a fresh Debian 12 machine: install, build, make a Wine prefix
# and a stand-in server "dbhost" holding DEMODATA, register DSNSET64.dll with Wine's real
# ODBC installer, add DSN "Sales" silently through SQLConfigDataSource (dsnset), print the
# keys the installer now holds, show a refused add, and remove the DSN again. Every step's
# exit code and every claim printed is checked: a wrong result fails the job.
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

fail() { echo "main job FAILED: $*" >&2; exit 1; }
# step EXPECTED-EXIT-CODE TITLE -- dsnset arguments...: runs dsnset, prints its output, and
# fails the job unless it ended with the expected code. The output is left in $out.
step() {
  local expected="$1" title="$2"
  shift 3
  echo "== $title"
  local code=0
  out="$(run "$bin/dsnset.exe" "$@")" || code=$?
  [ -n "$out" ] && echo "$out"
  [ "$code" -eq "$expected" ] || fail "dsnset $* ended with exit code $code, expected $expected"
}
has() { grep -qxF -- "$1" <<<"$out" || fail "expected the line '$1'"; }
lacks() { ! grep -qF -- "$1" <<<"$out" || fail "did not expect '$1'"; }

step 0 "dsnset register   (SQLInstallDriverEx)" -- register "$folder"
step 0 "dsnset add DSN=Sales ServerName=dbhost DBQ=DEMODATA   (SQLConfigDataSource, ODBC_ADD_DSN -> ConfigDSN)" \
  -- add DSN=Sales ServerName=dbhost DBQ=DEMODATA "Description=Sales office"
step 0 "data sources" -- list
has "Sales=Quillmere ODBC Client Interface"
step 0 "dsnset show Sales" -- show Sales
for line in "[Sales]" "Description=Sales office" "ServerName=dbhost.1583" "DBQ=DEMODATA" "TCPPort=1583" \
            "TransportHint=TCP:SPX" "ArrayFetchOn=1" "ArrayBufferSize=8"; do
  has "$line"
done

step 1 "dsnset add DSN=Broken ServerName=nowhere DBQ=DEMODATA   (a server that cannot be reached)" \
  -- add DSN=Broken ServerName=nowhere DBQ=DEMODATA
echo "(refused, exit code 1)"
step 0 "data sources" -- list
lacks "Broken="

step 0 "dsnset remove Sales   (ODBC_REMOVE_DSN)" -- remove Sales
echo "removed"
step 0 "data sources" -- list
lacks "Sales="
if [ -z "$out" ]; then echo "(empty: no data source left)"; else echo "(Sales is gone)"; fi
echo "main job: every step gave the expected result"
