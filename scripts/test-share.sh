#!/usr/bin/env bash
# The tests' share of the code: lines of C and C++ (*.cpp, *.h, *.c) under tests/ against the
# same kinds outside tests/, fuzz/, bench/ and the build trees. The house keeps it near a third.
set -euo pipefail
cd "$(dirname "$0")/.."
count() { git ls-files -co --exclude-standard -- "$@" | grep -E '\.(cpp|h|c)$' | xargs -r cat | wc -l; }
tests=$(count tests)
code=$(count . ':!tests' ':!fuzz' ':!bench')
echo "tests: $tests lines, code: $code lines, share: $(( tests * 100 / code ))%"
