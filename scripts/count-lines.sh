#!/usr/bin/env bash
# Lines of the tests against lines of the code: every tracked C++, Python, shell and CMake file,
# tests/ on one side, everything outside tests/ and bench/ on the other; the generated tables of
# Jet text keys (made by scripts/jet_text_codes*.py) count on neither side.
set -euo pipefail
cd "$(dirname "$0")/.."
generated='^driver/jet/index/JetIndexText(97|General)?Codes(General)?\.cpp$'
lines() { grep -E '\.(cpp|h|c|py|sh)$|(^|/)CMakeLists\.txt$' | grep -vE "$generated" | tr '\n' '\0' | xargs -0 cat | wc -l; }
tests=$(git ls-files tests | lines)
code=$(git ls-files | grep -vE '^(tests|bench)/' | lines)
echo "code: $code lines; tests: $tests lines; tests/code: $(awk -v t="$tests" -v c="$code" 'BEGIN { printf "%.2f", t / c }')"
