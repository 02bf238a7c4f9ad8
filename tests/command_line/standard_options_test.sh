#!/usr/bin/env bash
# The options every program takes: --help prints the usage on standard output with status 0,
# --version the program name and the project version, an unknown option one line naming it
# and "Try 'PROGRAM --help'." on standard error with status 2. None of them touches the
# simulated machine.
set -euo pipefail
bin_dir=$1
version=$2
source "$(dirname "$0")/programs.sh"
export LC_ALL=C

failures=0
# check PROGRAM STATUS STREAM FIRST-LINE ARGUMENT...: the run exits with STATUS, writes only to
# STREAM (out or err), whose first line matches the glob FIRST-LINE; an error is that line and
# the pointer to --help, nothing more.
check() {
    local program=$1 status=$2 stream=$3 first_line=$4
    shift 4
    local actual=0 other=err
    [ "$stream" = err ] && other=out
    timeout 20 "$bin_dir/$program" "$@" >"$scratch/out" 2>"$scratch/err" || actual=$?
    local problem=""
    if [ "$actual" -ne "$status" ]; then
        problem="exit status $actual, expected $status"
    elif [ -s "$scratch/$other" ]; then
        problem="unexpected output on std$other"
    elif [[ "$(head -n 1 "$scratch/$stream")" != $first_line ]]; then
        problem="first line on std$stream is not \"$first_line\""
    elif [ "$stream" = err ] && [[ $first_line != usage:* ]] &&
        [ "$(tail -n +2 "$scratch/err")" != "Try '$program --help'." ]; then
        problem="stderr is not one line and the pointer to --help"
    fi
    if [ -n "$problem" ]; then
        echo "FAIL: $program $*: $problem"
        sed 's/^/  out: /' "$scratch/out"
        sed 's/^/  err: /' "$scratch/err"
        failures=$((failures + 1))
    fi
}

for program in "${programs[@]}"; do
    check "$program" 0 out "usage: $program *" --help
    check "$program" 0 out "usage: $program *" -h
    check "$program" 0 out "$program $version" --version
    check "$program" 2 err "$program: [Uu]nknown option*" --no-such-option
done
check halix-term 2 err "halix-term: no job is named*" script.txt
check halix-term 2 err "halix-term: unknown option*" --version --no-such-option
check halix-sim 0 out "usage: halix-sim *" help
check halix-sim 2 err "usage: halix-sim *"
if [ -e "$bin_dir/halix-utility" ]; then
    # Qt takes its own options before the utility reads the rest.
    check halix-utility 0 out "halix-utility $version" -platform offscreen --version
    check halix-utility 2 err "halix-utility: takes no arguments*" image.bin
    # Help is there in a terminal without a display as well.
    if ! env -u QT_QPA_PLATFORM -u DISPLAY -u WAYLAND_DISPLAY timeout 20 \
        "$bin_dir/halix-utility" --help >"$scratch/out" 2>&1; then
        echo "FAIL: halix-utility --help without a display"
        sed 's/^/  output: /' "$scratch/out"
        failures=$((failures + 1))
    fi
    # A wrong option is told before a missing display, and Qt's own options are not wrong.
    env -u QT_QPA_PLATFORM -u DISPLAY -u WAYLAND_DISPLAY timeout 20 \
        "$bin_dir/halix-utility" -style fusion --bogus >"$scratch/out" 2>"$scratch/err" || actual=$?
    if [ "$(head -n 1 "$scratch/err")" != 'halix-utility: unknown option "--bogus"' ]; then
        echo "FAIL: halix-utility --bogus without a display"
        sed 's/^/  err: /' "$scratch/err"
        failures=$((failures + 1))
    fi
    # Without a display the window says so in one line and ends with 1, before Qt aborts: with
    # no display named (Qt's platform left to choose, or named xcb), and with one named that
    # nobody serves.
    no_display="halix-utility: no display was found; halix-term works without one"
    for case in "" "QT_QPA_PLATFORM=xcb" "DISPLAY=:173" "WAYLAND_DISPLAY=halix-none DISPLAY=:173"; do
        actual=0
        # shellcheck disable=SC2086 # the case is a list of assignments
        env -u QT_QPA_PLATFORM -u DISPLAY -u WAYLAND_DISPLAY $case timeout 20 \
            "$bin_dir/halix-utility" >"$scratch/out" 2>"$scratch/err" || actual=$?
        if [ "$actual" -ne 1 ] || [ -s "$scratch/out" ] ||
            [ "$(cat "$scratch/err")" != "$no_display" ]; then
            echo "FAIL: halix-utility without a display ($case): status $actual"
            sed 's/^/  out: /' "$scratch/out"
            sed 's/^/  err: /' "$scratch/err"
            failures=$((failures + 1))
        fi
    done
fi

if [ -e "$HALIX_MACHINE" ]; then
    echo "FAIL: answering the options created or changed the machine"
    failures=$((failures + 1))
fi
[ "$failures" -eq 0 ] || exit 1
echo "standard options answered by: ${programs[*]}"
