#!/usr/bin/env bash
# Line coverage of the record (src/nvram) and the controller (src/controller), counted in the
# sanitizer build (built with --coverage) while its tests ran: coverage.sh [BUILD_DIR]. Fails
# when either is below 90%. Reports land in BUILD_DIR/coverage-*.txt.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build-asan}
threshold=90

if ! find "$build" -name '*.gcda' -print -quit | grep -q .; then
    echo "coverage: no counts in $build: build it with HALIX_COVERAGE=ON and run its tests" >&2
    exit 1
fi

# Notes of sources that are gone (renamed or removed since an earlier build) lose their object
# file once ninja forgets it: they would only be reported as unreadable.
ninja -C "$build" -t cleandead >/dev/null
find "$build" -name '*.gcno' | while read -r notes; do
    [ -e "${notes%.gcno}.o" ] || rm -f "$notes" "${notes%.gcno}.gcda"
done

status=0
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
