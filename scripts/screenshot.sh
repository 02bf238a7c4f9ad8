#!/bin/sh
# Renders the real window offscreen, filled from the factory record through the
# controller's start-up: in English into docs/window.png, in German into docs/window-de.png.
#   scripts/screenshot.sh [build directory]   (default: build)
set -eu

root=$(cd "$(dirname "$0")/.." && pwd -P)
build=${1:-$root/build}

if [ ! -f "$build/build.ninja" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
ninja -C "$build" halix_window_screenshot

# Each picture in the language LANG names alone, whatever the caller's locale says.
render() {
    env -u LANGUAGE -u LC_ALL -u LC_MESSAGES LANG="$1" QT_QPA_PLATFORM=offscreen \
        HALIX_BUILD_DIR="$build" "$build/tests/gui/halix_window_screenshot" "$root/docs/$2"
    echo "wrote $root/docs/$2"
}
render C.UTF-8 window.png
render de_DE.UTF-8 window-de.png
