#!/bin/sh
# Renders the real window offscreen, filled from a sample card record through the
# controller's start-up, into docs/window.png.
#   scripts/screenshot.sh [build directory]   (default: build)
set -eu

root=$(cd "$(dirname "$0")/.." && pwd -P)
build=${1:-$root/build}

if [ ! -f "$build/build.ninja" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
ninja -C "$build" halix_window_screenshot
QT_QPA_PLATFORM=offscreen HALIX_BUILD_DIR="$build" \
    "$build/tests/gui/halix_window_screenshot" "$root/docs/window.png"
echo "wrote $root/docs/window.png"
