#!/usr/bin/env bash
# Soak of the Jet writer's commit, in two parts, RUNS kills each (200 by default):
# 1. a child commits a change of many pages of a copy of a genuine Access file through the page
#    store and is killed at a random step or moment; the file must be exactly as before or after;
# 2. a program writing through the driver into an indexed table is killed at a random moment,
#    a third of the times each in a grown nwind (Access 2002-2003), in an Access 97 file and in
#    nwind.mdb itself (whose usage maps grow from the first commit on); the next connection must
#    find whole transactions only and every index exact.
# Usage: bench/jet_crash_soak.sh [RUNS]   (build folder: $BUILD, by default build/)
set -euo pipefail
cd "$(dirname "$0")/.."
build="${BUILD:-build}"
runs="${1:-200}"
cmake --build "$build" -j2 --target test_jet_journal test_driver_jet_crash >/dev/null
export KERVANE_TEST_DATA="${KERVANE_TEST_DATA:-$PWD/../shared/testdata}"
export QT_QPA_PLATFORM=offscreen
report="$(mktemp)"
trap 'rm -f "$report"' EXIT
KERVANE_CRASH_RUNS="$runs" "$build/tests/driver/jet/test_jet_journal" \
  --gtest_filter='JetRecovery.AKilledCommitLeavesTheFileBeforeOrAfter' --gtest_brief=1 --gtest_output="xml:$report"
before="$(grep -o 'name="avant" value="[0-9]*"' "$report" | grep -o '[0-9]*' || true)"
after="$(grep -o 'name="apres" value="[0-9]*"' "$report" | grep -o '[0-9]*' || true)"
if [ -z "$before" ]; then
  echo "Essai sauté (bases de test ou fichiers absents)."
  exit 1
fi
echo "$runs commits tués : $before fichiers rétablis tels qu'avant, $after tels qu'après, aucun autre."

KERVANE_CRASH_RUNS="$runs" "$build/tests/driver/test_driver_jet_crash" --gtest_brief=1 --gtest_output="xml:$report"
journals="$(grep -o 'name="journaux" value="[0-9]*"' "$report" | grep -o '[0-9]*' || true)"
transactions="$(grep -o 'name="transactions" value="[0-9]*"' "$report" | grep -o '[0-9]*' || true)"
if [ -z "$journals" ]; then
  echo "Second essai sauté (bases de test ou jetgen absents)."
  exit 1
fi
echo "$runs programmes tués pendant leurs écritures par le pilote : $journals commits interrompus défaits," \
  "$transactions transactions entières retrouvées au total, index exacts à chaque fois."
