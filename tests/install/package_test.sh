#!/usr/bin/env bash
# Builds the Debian package from the build, checks its name, control fields and contents,
# unpacks it (nothing is installed on this machine) and runs the unpacked halix-term through
# a whole start, edit and save on a fresh simulated machine.
set -euo pipefail
build_dir=$1
version=$2
sanitized=$3
if [ "$sanitized" = ON ]; then
    echo "skipped: the package is built from the default build, not from a sanitizer build"
    exit 77
fi
source "$(dirname "$0")/installed_tree.sh"
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT

timeout 600 cpack --config "$build_dir/CPackConfig.cmake" -G DEB -B "$stage/package" \
    >"$stage/cpack.log" 2>&1 || { cat "$stage/cpack.log"; exit 1; }
deb="$stage/package/halix-utility_${version}_$(dpkg --print-architecture).deb"
[ -f "$deb" ] || { echo "no $deb:"; ls "$stage/package"; exit 1; }

info=$(dpkg-deb --info "$deb")
expected_fields=("Package: halix-utility" "Version: $version" "Maintainer: Halix Utility authors"
                 "Depends: .*libc6.*libplist")
[ -e "$build_dir/Halix Utility.app/Contents/MacOS/Halix Utility" ] &&
    expected_fields+=("Depends: .*libqt6widgets6")
for field in "${expected_fields[@]}"; do
    grep -q "^ $field" <<<"$info" || { echo "no \"$field\" in the control fields:"; echo "$info"; exit 1; }
done
outside=$(dpkg-deb -c "$deb" | awk '{ print $6 }' | grep -v -e '^\./$' -e '^\./usr/' || true)
[ -z "$outside" ] || { echo "files outside /usr: $outside"; exit 1; }

dpkg-deb -x "$deb" "$stage/root"
check_installed_tree "$stage/root/usr" "$build_dir" "$stage"
echo "unpacked package works: $(basename "$deb")"
