#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine and runs every test: the Windows-free core natively
# under AddressSanitizer and UndefinedBehaviorSanitizer, then the cross-built suite under
# Wine (the first run makes the build tree's Wine prefix).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bash "$root/scripts/install-deps.sh"

native="$root/build-native"
CC=clang CXX=clang++ cmake -S "$root" -B "$native" -G Ninja -DDSNSET_NATIVE=ON -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build "$native"
(cd "$native" && ctest --output-on-failure)

bash "$root/scripts/build.sh"
cd "$root/build"
ctest --output-on-failure --timeout 600
