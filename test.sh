#!/usr/bin/env bash
# Installs what is missing; builds the normal, the sanitizer and the fuzzing build; runs every
# fuzz target briefly, checks the line coverage of the record and the controller, then runs
# every test in the normal and the sanitizer build. The last lines are ctest's summary.
set -euo pipefail
cd "$(dirname "$0")"

scripts/install-deps.sh

for preset in default asan fuzz; do
    echo "=== build: $preset"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" --parallel 2
done

status=0
# Every fuzz target for a few seconds on a copy of its seed corpus.
fuzz/run-fuzzers.sh || status=1

# Line coverage of the record and the controller, at least 90% each.
echo "=== coverage"
scripts/coverage.sh || status=1

for preset in default asan; do
    echo "=== tests: $preset"
    ctest --preset "$preset" --parallel 2 || status=1
done
exit $status
