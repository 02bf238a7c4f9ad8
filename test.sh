#!/usr/bin/env bash
# Installs what is missing, builds the normal and the sanitizer build and runs every test in
# both, then runs every fuzz target briefly and checks the line coverage of the record and
# the controller.
set -euo pipefail
cd "$(dirname "$0")"

scripts/install-deps.sh

for preset in default asan; do
    echo "=== build: $preset"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
done

status=0
for preset in default asan; do
    echo "=== tests: $preset"
    ctest --preset "$preset" --parallel 2 || status=1
done

# Every fuzz target for a few seconds on a copy of its seed corpus.
echo "=== build: fuzz"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --parallel 2
fuzz/run-fuzzers.sh || status=1

# Line coverage of the record and the controller, at least 90% each.
echo "=== coverage"
scripts/coverage.sh || status=1
exit $status
