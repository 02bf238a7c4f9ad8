#!/usr/bin/env bash
# Line coverage of the record (src/nvram) and the controller (src/controller) under their
# unit tests, in its own build (build-coverage, gcc --coverage). Fails when either is below
# 90%. Reports land in build-coverage/coverage-*.txt.
set -euo pipefail
cd "$(dirname "$0")/.."

build=build-coverage
threshold=90

cmake -S . -B "$build" -G Ninja \
    -DCMAKE_BUILD_TYPE=Debug \
    -DCMAKE_CXX_COMPILER=g++ \
    -DCMAKE_CXX_FLAGS="--coverage" \
    -DCMAKE_EXE_LINKER_FLAGS="--coverage" \
    -DHALIX_BUILD_GUI=OFF \
    -DHALIX_BUILD_BENCHMARKS=OFF >/dev/null
if ! cmake --build "$build" --parallel 2 --target controller_tests nvram_tests \
    >"$build/coverage-build.log" 2>&1; then
    cat "$build/coverage-build.log" >&2
    exit 1
fi

# Counts from earlier runs would inflate the figures.
find "$build" -name '*.gcda' -delete

status=0
for part in nvram controller; do
    ctest --test-dir "$build/tests/$part" --parallel 2 --output-on-failure >/dev/null || {
        echo "coverage: the $part tests fail" >&2
        status=1
    }
done

for part in nvram controller; do
    report="$build/coverage-$part.txt"
    if gcovr --root . --object-directory "$build" --filter "src/$part/" \
        --fail-under-line "$threshold" --txt "$report" "$build/src" "$build/tests"; then
        echo "coverage: src/$part: $(grep -E '^TOTAL' "$report" | awk '{print $NF}') of lines (at least $threshold% needed)"
    else
        echo "coverage: src/$part is below $threshold% of lines:" >&2
        cat "$report" >&2
        status=1
    fi
done
exit $status
