#!/usr/bin/env bash
# Builds and runs the benchmarks: the native core (optimised, no sanitizers); the silent
# requests through ConfigDSN under Wine against the bare installer calls; and whole
# SQLConfigDataSource requests for the product against a minimal setup library and against
# the floor (bench/floor_setup.cpp: the outside work every call requires, done bare), with
# the load cost of each library.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bash "$root/scripts/install-deps.sh"
(cd "$root" && cmake --preset native-bench >/dev/null && cmake --build --preset native-bench --target native_bench >/dev/null)
"$root/build-bench/bin/native_bench"

source "$root/scripts/wine-session.sh"
run "$bin/dsnset.exe" register "$(run winepath -w "$bin")" >/dev/null
scenario="$root/build/bench-server.json"
echo '{"servers": [{"names": ["localhost"], "versions": {"1": {"major": 9}}, "databases": [{"name": "DEMODATA"}]}]}' > "$scenario"
export QM_SERVER_SCENARIO="$(run winepath -w "$scenario")"
run "$bin/installer_bench.exe" "${1:-200}"
run "$bin/setup_bench.exe" 7 50

names="$root/build/bench-names-server.json"
echo '{"servers": [{"names": ["dbhost"], "versions": {"1": {"major": 9}}, "generatedDatabases": {"count": 3276, "seed": 11}}]}' > "$names"
QM_SERVER_SCENARIO="$(run winepath -w "$names")" run "$bin/database_list_bench.exe" 15
