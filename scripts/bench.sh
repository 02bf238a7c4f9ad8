#!/usr/bin/env bash
# Builds the default preset, runs the Google benchmarks (halix_bench) and a whole-process
# measurement of halix-term with hyperfine, then writes the table of medians and goals to
# docs/benchmarks.md and prints it.
#
# HALIX_BENCH_BUILD_DIR=DIR  measure in DIR (configured RelWithDebInfo) instead of the preset's
# HALIX_BENCH_RUNS=N         hyperfine runs of halix-term (default 40)
set -euo pipefail
cd "$(dirname "$0")/.."

# Only what is measured: the benchmarks, the two programs and the bundle they read.
targets=(--target halix_bench halix-term halix-sim halix_bundle_resources)
build_dir="${HALIX_BENCH_BUILD_DIR:-}"
if [ -z "$build_dir" ]; then
    cmake --preset default >/dev/null
    cmake --build --preset default "${targets[@]}"
    build_dir=build
else
    cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build "$build_dir" --parallel 2 "${targets[@]}"
fi
build_dir="$(cd "$build_dir" && pwd)"
bench="$build_dir/bench/halix_bench"
term="$build_dir/bin/halix-term"
sim="$build_dir/bin/halix-sim"
for program in "$bench" "$term" "$sim"; do
    if [ ! -x "$program" ]; then
        echo "bench.sh: $program was not built (is HALIX_BUILD_BENCHMARKS off?)" >&2
        exit 1
    fi
done

scratch="$(mktemp -d "${TMPDIR:-/tmp}/halix-bench.XXXXXX")"
trap 'rm -rf "$scratch"' EXIT

echo "=== Google benchmarks"
"$bench" --benchmark_format=csv >"$scratch/google.csv"

echo "=== halix-term: start to saved record"
mkdir -p "$scratch/home"
printf 'login admin\nok\nclose\nok\n' >"$scratch/save-record.txt"
term_command="$(printf '%q < %q' "$term" "$scratch/save-record.txt")"
# Every run starts on a fresh machine; a run that does not exit 0 fails the measurement.
HALIX_MACHINE="$scratch/machine" HOME="$scratch/home" \
    hyperfine --style basic --warmup 3 --runs "${HALIX_BENCH_RUNS:-40}" \
    --prepare "$(printf '%q init' "$sim")" \
    --export-csv "$scratch/term.csv" "$term_command"
if ! HALIX_MACHINE="$scratch/machine" "$sim" journal | grep -q '^kSetEEPConfig size=64 ok$'; then
    echo "bench.sh: halix-term did not save the record; the measurement is void" >&2
    exit 1
fi

# Prints "value unit|nanoseconds" for the median row of benchmark $1.
google_median() {
    awk -F, -v name="$1" '
        index($1, "\"" name "/") == 1 && $1 ~ /_median"$/ {
            scale = ($5 == "ns") ? 1 : ($5 == "us") ? 1e3 : ($5 == "ms") ? 1e6 : 1e9
            unit = ($5 == "us") ? "µs" : $5
            printf "%.3g %s|%.0f\n", $3, unit, $3 * scale
            exit
        }' "$scratch/google.csv"
}

# The update attempt's card work, on disk before each call returns, is to take no longer than
# the two pauses of the attempt: the whole attempt then takes at most twice its pauses.
pause_ns="$(google_median BM_CountedPauseFlashPass | cut -d'|' -f2)"
two_pauses_ns=$((2 * ${pause_ns:-0}))
two_pauses_ms="$(awk -v ns="$two_pauses_ns" 'BEGIN { printf "%.3g ms", ns / 1e6 }')"

# name|label|goal in ns (empty: none)|goal as text
goals=(
    "BM_NvramChecksum|record checksum (nvramChecksum)||"
    "BM_SetConfigWindow|setConfigWindow (record to the window, fake views)||"
    "BM_GetConfigWindow|getConfigWindow (window to record, fake views)||"
    "BM_CardCommandGetEEPConfig|one card command on the simulated machine (doGetEEPConfig)|100000|< 100 µs"
    "BM_FlashUpdateAttempt|flash update attempt without its two pauses (17 writes, 17 reads, compare)|$two_pauses_ns|< its two pauses ($two_pauses_ms)"
    "BM_CountedPauseFlashPass|countedPause(0xFFFFFF)||"
)

verdict() { # measured ns, goal ns
    if [ -z "$2" ]; then
        echo "—"
    elif awk -v m="$1" -v g="$2" 'BEGIN { exit !(m < g) }'; then
        echo "yes"
    else
        echo "**no**"
    fi
}

table="$scratch/table.md"
{
    echo "| Benchmark | Median | Goal | Met? |"
    echo "|---|---|---|---|"
    for entry in "${goals[@]}"; do
        IFS='|' read -r name label goal_ns goal_text <<<"$entry"
        result="$(google_median "$name")"
        if [ -z "$result" ]; then
            echo "bench.sh: no median for $name in the benchmark output" >&2
            exit 1
        fi
        shown="${result%%|*}"
        measured_ns="${result##*|}"
        echo "| $label | $shown | ${goal_text:-—} | $(verdict "$measured_ns" "$goal_ns") |"
    done
    # hyperfine's CSV: command,mean,stddev,median,user,system,min,max (seconds); the command
    # may hold commas, so the median is counted from the end.
    term_ns="$(awk -F, 'NR == 2 { printf "%.0f", $(NF - 4) * 1e9 }' "$scratch/term.csv")"
    term_ms="$(awk -v ns="$term_ns" 'BEGIN { printf "%.3g ms", ns / 1e6 }')"
    echo "| halix-term from start to saved record, pauses included (hyperfine) | $term_ms | < 100 ms | $(verdict "$term_ns" 100000000) |"
} >"$table"

cpu_model="$(awk -F': ' '/^model name/ { print $2; exit }' /proc/cpuinfo)"
load="$(cut -d' ' -f1-3 /proc/loadavg)"
{
    echo "# Benchmarks"
    echo
    echo "Measured $(date -u '+%Y-%m-%d') on $(nproc) CPUs (${cpu_model:-unknown CPU}), Linux $(uname -r),"
    echo "load average $load. Medians of wall-clock time; Google Benchmark repetitions for the"
    echo "functions, hyperfine runs on a fresh simulated machine each for halix-term."
    echo
    cat "$table"
} >docs/benchmarks.md

echo
cat docs/benchmarks.md
