#!/usr/bin/env bash
# The window over AT-SPI, as a screen reader reads it: halix-utility on a fresh simulated machine
# under Xvfb with its own session and accessibility buses, read by atspi_window.py. Exits 77
# (skipped) where those cannot run: no Xvfb, D-Bus session, AT-SPI bus or python3-pyatspi.
set -uo pipefail
bin_dir=$1
here=$(cd "$(dirname "$0")" && pwd -P)
python=/usr/bin/python3

# The session, run inside Xvfb and the buses (the script again, with a second argument): the
# window started with accessibility on, the reader run against it, the window ended whatever
# the reader found.
if [ "${2:-}" = --session ]; then
    QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_QPA_PLATFORM=xcb "$bin_dir/halix-utility" \
        >"$HALIX_SCRATCH/window.log" 2>&1 &
    window=$!
    status=0
    timeout 60 "$python" "$here/atspi_window.py" || status=$?
    for _ in $(seq 50); do kill -0 "$window" 2>/dev/null || break; sleep 0.1; done
    kill "$window" 2>/dev/null
    wait "$window" 2>/dev/null
    exit "$status"
fi
for tool in xvfb-run dbus-run-session; do
    command -v "$tool" >/dev/null || { echo "skipped: no $tool"; exit 77; }
done
[ -x /usr/libexec/at-spi-bus-launcher ] || { echo "skipped: no AT-SPI bus"; exit 77; }
"$python" -c 'import pyatspi' 2>/dev/null || { echo "skipped: no python3-pyatspi"; exit 77; }

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -m 700 "$scratch/runtime"
export HALIX_MACHINE="$scratch/machine" XDG_RUNTIME_DIR="$scratch/runtime" HOME="$scratch"
export LANG=C.UTF-8 LC_ALL= LANGUAGE=
"$bin_dir/halix-sim" auth grant >/dev/null # no password prompt: the hand-over question first

export HALIX_SCRATCH=$scratch
timeout 100 xvfb-run -a dbus-run-session -- "$here/atspi_test.sh" "$bin_dir" --session
status=$?
if [ "$status" -ne 0 ]; then
    sed 's/^/  window: /' "$scratch/window.log"
fi
exit "$status"
