#!/usr/bin/env bash
# Installs the build into a staging directory and runs the installed terminal front end
# through a whole start, edit and save on a fresh simulated machine.
set -euo pipefail
build_dir=$1
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT

DESTDIR="$stage" cmake --install "$build_dir" --prefix /opt/halix >/dev/null
prefix="$stage/opt/halix"

programs=(halix-term halix-sim)
# The window is only there in builds with the GUI.
[ -e "$build_dir/Halix Utility.app/Contents/MacOS/Halix Utility" ] && programs+=(halix-utility)
for program in "${programs[@]}"; do
    [ -x "$prefix/bin/$program" ] || { echo "missing or broken link: bin/$program"; exit 1; }
done
[ -f "$prefix/share/applications/halix-utility.desktop" ] || { echo "no desktop entry"; exit 1; }
[ -f "$prefix/share/icons/hicolor/scalable/apps/halix-utility.svg" ] || { echo "no icon"; exit 1; }
grep -q '^Exec=halix-utility$' "$prefix/share/applications/halix-utility.desktop"

export HALIX_MACHINE="$stage/machine" HOME="$stage" LANG=C
transcript=$(printf 'login admin\nok\nset out_parity 0\nclose\nok\n' | "$prefix/bin/halix-term" 2>/dev/null)
echo "$transcript" | grep -q '^field out_verSCSIBIOS: 2.1.3$' || { echo "$transcript"; exit 1; }
eeprom=$("$prefix/bin/halix-sim" eeprom)
[ "${eeprom:32:4}" = "0781" ] || { echo "unexpected EEPROM: $eeprom"; exit 1; }
# The installed machine tools are the installed bundle's.
readlink "$HALIX_MACHINE/sbin/kextload" | grep -q "^$prefix/lib/halix-utility/" ||
    { echo "tools link elsewhere: $(readlink "$HALIX_MACHINE/sbin/kextload")"; exit 1; }
echo "installed bundle works"
