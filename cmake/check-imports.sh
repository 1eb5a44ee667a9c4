#!/usr/bin/env bash
# The library binds exactly these libraries at load (names as its import table holds them).
set -euo pipefail
dll="$1"
shift
expected="$(printf '%s\n' "$@" | sort)"
actual="$(x86_64-w64-mingw32-objdump -p "$dll" | sed -n 's/^\s*DLL Name: //p' | sort)"
if [ "$actual" != "$expected" ]; then
  echo "load-time imports of $dll:"; echo "$actual"; echo "expected:"; echo "$expected"
  exit 1
fi
echo "load-time imports of $dll: $(echo $actual)"
