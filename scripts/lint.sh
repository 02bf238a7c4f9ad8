#!/usr/bin/env bash
# clang-tidy (the repository's .clang-tidy) over src/, tests/, bench/ and fuzz/. The fuzz
# targets are checked with the fuzz build's compile commands, everything else with those of
# its own build directory (build-lint). Fails on any finding.
set -euo pipefail
cd "$(dirname "$0")/.."

root="$PWD"
jobs="${HALIX_LINT_JOBS:-2}"
log="$(mktemp)"
trap 'rm -f "$log"' EXIT

cmake -S . -B build-lint -G Ninja -DCMAKE_BUILD_TYPE=Debug >/dev/null
# The window's sources include Qt's generated headers (moc, uic): make them first.
mapfile -t generated < <(ninja -C build-lint -t targets all | sed -n 's/^\([A-Za-z0-9_]*_autogen\): .*/\1/p')
if [ ${#generated[@]} -gt 0 ]; then
    cmake --build build-lint --parallel "$jobs" --target "${generated[@]}" >/dev/null
fi
cmake --preset fuzz >/dev/null

status=0
run-clang-tidy-14 -p build-lint -j "$jobs" -quiet "^$root/(src|tests|bench)/" >"$log" 2>&1 || status=1
run-clang-tidy-14 -p build-fuzz -j "$jobs" -quiet "^$root/fuzz/" >>"$log" 2>&1 || status=1

if grep -E '(warning|error): ' "$log" >/dev/null; then
    grep -E -A3 '(warning|error): ' "$log" >&2
    status=1
fi
if [ $status -ne 0 ]; then
    echo "lint: clang-tidy findings above" >&2
else
    echo "lint: clang-tidy clean"
fi
exit $status
