#!/usr/bin/env bash
# Builds and runs the benchmarks: the native core (optimised, no sanitizers) and the silent
# requests through ConfigDSN under Wine against the bare installer calls.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bash "$root/scripts/install-deps.sh"
native="$root/build-bench"
CC=clang CXX=clang++ cmake -S "$root" -B "$native" -G Ninja -DDSNSET_NATIVE=ON -DDSNSET_SANITIZE=OFF \
  -DDSNSET_FUZZ=OFF -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$native" --target native_bench >/dev/null
"$native/bin/native_bench"

bash "$root/scripts/build.sh" >/dev/null
export WINE_TEST_PREFIX="$root/build/wineprefix"
bash "$root/cmake/wine-prefix.sh" "$WINE_TEST_PREFIX"
run() { "$root/cmake/wine-run.sh" "$@" 2>&1 | tr -d '\r'; }
bin="$root/build/bin"
run "$bin/dsnset.exe" register "$(run winepath -w "$bin")" >/dev/null
scenario="$root/build/bench-server.json"
echo '{"servers": [{"names": ["localhost"], "versions": {"1": {"major": 9}}, "databases": [{"name": "DEMODATA"}]}]}' > "$scenario"
export QM_SERVER_SCENARIO="$(run winepath -w "$scenario")"
run "$bin/installer_bench.exe" "${1:-200}"
