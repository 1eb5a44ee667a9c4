#!/usr/bin/env bash
# Configures and builds the cross-built product, stand-ins, tools and tests into build/
# (the "cross" preset). In CI (CI=true) warnings are errors.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
werror=OFF
[ "${CI:-}" = "true" ] && werror=ON
cd "$root"
cmake --preset cross -DDSNSET_WERROR="$werror" >/dev/null
cmake --build --preset cross
