#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine and runs every test: the Windows-free core natively
# under AddressSanitizer and UndefinedBehaviorSanitizer, then the cross-built suite under
# Wine (the first run makes the build tree's Wine prefix).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bash "$root/scripts/install-deps.sh"

werror=OFF
[ "${CI:-}" = "true" ] && werror=ON  # in CI a warning fails the build
cd "$root"
cmake --preset native -DDSNSET_WERROR="$werror" >/dev/null
cmake --build --preset native
ctest --preset native

bash "$root/scripts/build.sh"
ctest --preset cross
