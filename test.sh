#!/usr/bin/env bash
# Installs what is missing, builds the normal and the sanitizer build, and runs every test
# in both. The last lines are ctest's summary of the sanitizer build.
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
exit $status
