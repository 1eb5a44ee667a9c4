#!/usr/bin/env bash
# A library's export table ("exports": the names hosts and installers look up, undecorated) or
# import table ("imports": the libraries it binds at load) holds exactly the names given.
set -euo pipefail
table="$1" dll="$2"
shift 2
expected="$(printf '%s\n' "$@" | sort)"
if [ "$table" = exports ]; then
  actual="$(x86_64-w64-mingw32-objdump -p "$dll" | sed -n '/Ordinal\/Name Pointer/,/^$/p' | sed -n 's/^\s*\[ *[0-9]*\] //p' | sort)"
else
  actual="$(x86_64-w64-mingw32-objdump -p "$dll" | sed -n 's/^\s*DLL Name: //p' | sort)"
fi
if [ "$actual" != "$expected" ]; then
  echo "$table of $dll:"; echo "$actual"; echo "expected:"; echo "$expected"
  exit 1
fi
echo "$table of $dll: $(echo $actual)"
