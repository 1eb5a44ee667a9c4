#!/usr/bin/env bash
# Runs a Windows program under the build tree's Wine prefix. wineserver and its helper
# processes are started first with their output on /dev/null, so that they do not hold
# ctest's pipe open after the test ends.
#
# Now and then Wine fails to start a program at all: it ends within a second, with a
# failure code and without a byte of output (seen twice in clean CI runs). Such a start is
# tried once more, and said on the output; a program that ran and failed is never retried.
# The program's standard error is merged into its standard output. A program that crashed
# fails, whatever its exit code.
set -eu
source "$(dirname "$0")/wine-env.sh"
"$WINESERVER" -p30 </dev/null >/dev/null 2>&1 || true
"$WINE64" rundll32.exe user32.dll,GetDesktopWindow </dev/null >/dev/null 2>&1 || true
output="$(mktemp)"
trap 'rm -f "$output"' EXIT
for attempt in 1 2; do
  started=$(date +%s%N)
  set +e
  "$WINE64" "$@" 2>&1 | tee "$output"
  code=${PIPESTATUS[0]}
  set -e
  elapsed_ms=$(( ($(date +%s%N) - started) / 1000000 ))
  # A program that crashed can still end with 0 (seen with a stack overflow on a thread): a
  # crash fails the run whatever the exit code says.
  if grep -qE '^wine: Unhandled|^Unhandled exception' "$output"; then
    echo "wine-run: $1 crashed (exit code $code)"
    exit 1
  fi
  if [ "$code" -eq 0 ] || [ -s "$output" ] || [ "$elapsed_ms" -ge 1000 ] || [ "$attempt" -eq 2 ]; then
    exit "$code"
  fi
  echo "wine-run: $1 ended after ${elapsed_ms} ms with exit code $code and no output; starting it once more"
done
