#!/usr/bin/env bash
# Runs every fuzz target of the fuzz build for a few seconds each, on a copy of its seed
# corpus inside the build directory (the repository stays clean). Crash inputs land in
# build-fuzz/artifacts/. Fails when any target fails.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${HALIX_FUZZ_SECONDS:-5}"
build=build-fuzz
targets=(script_reader version_probe machine_state plist image_intake)

# Targets that read files up to 1 MiB get inputs that large.
declare -A max_len=([machine_state]=1048576 [plist]=1048576)

# A binary property list of 100,000 nested arrays (900 KB), as a seed for the property-list
# targets. Their inputs are split into pieces: the first read up to a lone backslash (with
# backslashes doubled), the others after it, integers taken from the end (SUFFIX).
deeply_nested_seed() { # first SUFFIX | last
    perl -e '
        my $levels = 100000;
        my $list = "bplist00";
        my @offsets;
        for my $level (0 .. $levels) {
            push @offsets, length $list;
            $list .= $level == $levels ? "\xA0" : "\xA1" . pack("N", $level + 1);
        }
        my $table = length $list;
        $list .= pack("N", $_) for @offsets;
        $list .= ("\0" x 6) . "\x04\x04" . pack("Q>Q>Q>", scalar @offsets, 0, $table);
        if ($ARGV[0] eq "first") {
            (my $escaped = $list) =~ s/\\/\\\\/g;
            print $escaped, "\\ ", $ARGV[1];
        } else {
            print "\\ ", $list;
        }
    ' "$@"
}

rm -rf "$build/corpus"
mkdir -p "$build/corpus" "$build/artifacts"
status=0
for target in "${targets[@]}"; do
    cp -R "fuzz/corpus/$target" "$build/corpus/$target"
    case "$target" in
        # The state file alone present (flags 0x06 at the end); the Info.plist empty and the
        # message table nested.
        machine_state) deeply_nested_seed first $'\x06' >"$build/corpus/$target/deeply_nested" ;;
        plist) deeply_nested_seed last >"$build/corpus/$target/deeply_nested" ;;
    esac
    length=()
    if [ -n "${max_len[$target]:-}" ]; then
        length=(-max_len="${max_len[$target]}")
    fi
    echo "=== fuzz: ${target}_fuzzer (${seconds}s)"
    if ! "$build/fuzz/${target}_fuzzer" -max_total_time="$seconds" -rss_limit_mb=2048 \
        "${length[@]}" \
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
