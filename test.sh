#!/usr/bin/env bash
# Installs what is missing; builds the normal, the sanitizer (with line coverage) and the
# fuzzing build; runs every fuzz target briefly, every test in the normal and the sanitizer
# build, then checks the line coverage of the record and the controller from the sanitizer
# build's run. Prints how long each phase took; ctest's summaries come before that.
set -euo pipefail
cd "$(dirname "$0")"

phases=()
phase_start=$SECONDS
# ends PHASE: records how long PHASE took since the previous one ended.
ends() {
    phases+=("$(printf '%-18s %4d s' "$1" $((SECONDS - phase_start)))")
    phase_start=$SECONDS
}

scripts/install-deps.sh
ends "install"

for preset in default asan fuzz; do
    echo "=== build: $preset"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" --parallel 2
    ends "build: $preset"
done

status=0
# Every fuzz target for a few seconds on a copy of its seed corpus.
fuzz/run-fuzzers.sh || status=1
ends "fuzz"

# Counts from earlier runs would inflate the coverage.
find build-asan -name '*.gcda' -delete
for preset in default asan; do
    echo "=== tests: $preset"
    ctest --preset "$preset" --parallel 2 || status=1
    ends "tests: $preset"
done

# Line coverage of the record and the controller, at least 90% each.
echo "=== coverage"
scripts/coverage.sh build-asan || status=1
ends "coverage"

echo "=== time per phase"
printf '%s\n' "${phases[@]}"
echo "total              $SECONDS s"
exit $status
