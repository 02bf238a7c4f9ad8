#!/usr/bin/env bash
# Installs the build into a staging directory and runs the installed terminal front end
# through a whole start, edit and save on a fresh simulated machine.
set -euo pipefail
build_dir=$1
source "$(dirname "$0")/installed_tree.sh"
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT

DESTDIR="$stage" cmake --install "$build_dir" --prefix /opt/halix >/dev/null
check_installed_tree "$stage/opt/halix" "$build_dir" "$stage"
echo "installed bundle works"
