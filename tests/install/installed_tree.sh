# Checks of an installed tree, shared by the install and the package tests (sourced).

# check_installed_tree PREFIX BUILD_DIR SCRATCH: the links, desktop entry, icon, man pages,
# copyright and the event stream's schema under PREFIX, and the installed halix-term through a
# start, an edit and a save on a fresh simulated machine in SCRATCH, checked through the EEPROM.
# Exits on the first problem.
check_installed_tree() {
    local prefix=$1 build_dir=$2 scratch=$3
    local programs=(halix-term halix-sim) german_files=(Localizable.strings)
    # The window, and with it its translation, is only there in builds with the GUI.
    if [ -e "$build_dir/Halix Utility.app/Contents/MacOS/Halix Utility" ]; then
        programs+=(halix-utility)
        german_files+=(halix.qm)
    fi
    for program in "${programs[@]}"; do
        [ -x "$prefix/bin/$program" ] || { echo "missing or broken link: bin/$program"; exit 1; }
        [ -f "$prefix/share/man/man1/$program.1.gz" ] || { echo "no man page for $program"; exit 1; }
    done
    for file in "${german_files[@]}"; do
        [ -f "$prefix/lib/halix-utility/Halix Utility.app/Contents/Resources/German.lproj/$file" ] ||
            { echo "no German.lproj/$file in the bundle"; exit 1; }
    done
    [ -f "$prefix/share/applications/halix-utility.desktop" ] || { echo "no desktop entry"; exit 1; }
    [ -f "$prefix/share/icons/hicolor/scalable/apps/halix-utility.svg" ] || { echo "no icon"; exit 1; }
    grep -q '^Exec=halix-utility$' "$prefix/share/applications/halix-utility.desktop"
    grep -q '^Copyright the Halix Utility authors; no licence granted yet.$' \
        "$prefix/share/doc/halix-utility/copyright" || { echo "no copyright file"; exit 1; }
    grep -q '"const": "halix-term-events"' \
        "$prefix/share/doc/halix-utility/halix-term-events.schema.json" ||
        { echo "no schema of the JSON event stream"; exit 1; }
    [ -f "$prefix/share/doc/halix-utility/halix-term-result.schema.json" ] ||
        { echo "no schema of a job's result"; exit 1; }

    export HALIX_MACHINE="$scratch/machine" HOME="$scratch" LANG=C
    local transcript eeprom
    transcript=$(printf 'login admin\nok\nset out_parity 0\nclose\nok\n' |
        timeout 60 "$prefix/bin/halix-term" 2>/dev/null)
    echo "$transcript" | grep -q '^field out_verSCSIBIOS: 2.1.3$' || { echo "$transcript"; exit 1; }
    eeprom=$("$prefix/bin/halix-sim" eeprom)
    [ "${eeprom:32:4}" = "0781" ] || { echo "unexpected EEPROM: $eeprom"; exit 1; }
    # The installed machine tools are the installed bundle's.
    readlink "$HALIX_MACHINE/sbin/kextload" | grep -q "^$prefix/lib/halix-utility/" ||
        { echo "tools link elsewhere: $(readlink "$HALIX_MACHINE/sbin/kextload")"; exit 1; }
}
