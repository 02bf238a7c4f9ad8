#!/usr/bin/env bash
# Installs what is missing, builds, and starts the utility on the simulated machine: the
# window when there is a display, the terminal front end otherwise.
set -euo pipefail
cd "$(dirname "$0")"

scripts/install-deps.sh
cmake --preset default >/dev/null
# Only what runs: the programs and their bundle (./test.sh builds the tests).
cmake --build --preset default --target halix_programs

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    exec build/bin/halix-utility
fi
echo "No display found (DISPLAY and WAYLAND_DISPLAY are unset): starting the terminal front end."
exec build/bin/halix-term
