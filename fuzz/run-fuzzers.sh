#!/usr/bin/env bash
# Runs every fuzz target of the fuzz build for a few seconds each, on a copy of its seed
# corpus inside the build directory (the repository stays clean). Crash inputs land in
# build-fuzz/artifacts/. Fails when any target fails.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${HALIX_FUZZ_SECONDS:-5}"
build=build-fuzz
targets=(script_reader version_probe machine_state plist image_intake)

rm -rf "$build/corpus"
mkdir -p "$build/corpus" "$build/artifacts"
status=0
for target in "${targets[@]}"; do
    cp -R "fuzz/corpus/$target" "$build/corpus/$target"
    echo "=== fuzz: ${target}_fuzzer (${seconds}s)"
    if ! "$build/fuzz/${target}_fuzzer" -max_total_time="$seconds" -rss_limit_mb=2048 \
        -artifact_prefix="$build/artifacts/${target}-" -print_final_stats=1 \
        "$build/corpus/$target" >"$build/artifacts/$target.log" 2>&1; then
        tail -n 40 "$build/artifacts/$target.log" >&2
        echo "fuzz: ${target}_fuzzer failed; its input is in $build/artifacts/" >&2
        status=1
    else
        grep -E '^stat::number_of_executed_units' "$build/artifacts/$target.log" || true
    fi
done
exit $status
