#!/usr/bin/env bash
# The library exports exactly these names, undecorated, as hosts and installers look them up.
set -euo pipefail
dll="$1"
shift
expected="$(printf '%s\n' "$@" | sort)"
actual="$(x86_64-w64-mingw32-objdump -p "$dll" | sed -n '/Ordinal\/Name Pointer/,/^$/p' | sed -n 's/^\s*\[ *[0-9]*\] //p' | sort)"
if [ "$actual" != "$expected" ]; then
  echo "exports of $dll:"; echo "$actual"; echo "expected:"; echo "$expected"
  exit 1
fi
echo "exports of $dll: $(echo $actual)"
