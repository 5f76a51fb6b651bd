#!/usr/bin/env bash
# Soak of the Jet row writer on damaged files: the damaged-copy tests run with ROUNDS seeds of
# every damage (20 by default) instead of the 2 of a normal test run, jetcheck judging 3 cases a
# round (2 a round for the indexed tables). WHAT chooses the tables: "rows" (index-free tables),
# "indexes" (indexed tables, through the writer and through SQL) or "all" (the default).
# Run it in a sanitizer build too: BUILD=build-asan bench/jet_writer_fuzz_soak.sh 10 indexes
# Usage: bench/jet_writer_fuzz_soak.sh [ROUNDS] [WHAT]   (build folder: $BUILD, by default build/)
set -euo pipefail
cd "$(dirname "$0")/.."
build="${BUILD:-build}"
rounds="${1:-20}"
what="${2:-all}"
export KERVANE_TEST_DATA="${KERVANE_TEST_DATA:-$PWD/../shared/testdata}"
export QT_QPA_PLATFORM=offscreen
export KERVANE_JET_WRITER_FUZZ="$rounds"
case "$what" in
  rows) filter='WriterOnDamagedFiles.Copies*' ;;
  indexes) filter='WriterOnDamagedIndexes.*' ;;
  *) filter='WriterOnDamagedFiles.Copies*:WriterOnDamagedIndexes.*' ;;
esac
cmake --build "$build" -j2 --target test_jet_writer_damaged >/dev/null
"$build/tests/driver/jet/test_jet_writer_damaged" --gtest_filter="$filter" --gtest_brief=1
