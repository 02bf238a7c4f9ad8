#!/usr/bin/env bash
# The fleet example against localhost (local connection) on a temporary simulated machine:
# the first run writes the settings file to the card and reports changed, the second finds
# the card equal to the file and reports nothing changed, writing nothing; --check --diff with
# other settings shows exactly those and writes nothing; a card whose record cannot be read,
# and one with a disk, fail the host. Skipped (77) only when ansible-playbook is missing.
# fleet_test.sh SOURCE_DIR BIN_DIR
set -euo pipefail

source_dir=$1 bin_dir=$2
command -v ansible-playbook >/dev/null 2>&1 || { echo "ansible-playbook is missing"; exit 77; }

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch/home" "$scratch/inventory/group_vars/all"
export HOME="$scratch/home" HALIX_MACHINE="$scratch/machine" LANG=C LC_ALL=C.UTF-8 \
    ANSIBLE_NOCOLOR=1 ANSIBLE_RETRY_FILES_ENABLED=0 ANSIBLE_CONFIG="$scratch/none.cfg" \
    ANSIBLE_LOCAL_TEMP="$scratch/ansible-local" ANSIBLE_REMOTE_TEMP="$scratch/ansible-remote"
cd "$scratch"

fail() { echo "FAIL: $*"; exit 1; }

# The settings file: the factory record with host ID 5 and parity off, saved by the utility.
"$bin_dir/halix-sim" init >/dev/null
printf 'login admin\nok\nset host-id 5\nset parity off\npress save-settings\nsave %s\nok\npress cancel\n' \
    "$scratch/settings.nvram" | timeout 60 "$bin_dir/halix-term" >/dev/null 2>&1
"$bin_dir/halix-sim" init >/dev/null
file_hex=$(od -An -v -tx1 "$scratch/settings.nvram" | tr -d ' \n')
[ "$(${bin_dir}/halix-sim eeprom)" != "$file_hex" ] || fail "the factory record is the file's"

# The password comes from a vault beside the inventory, as an administrator keeps it.
printf 'vault-secret\n' >"$scratch/vault-password"
printf 'vault_halix_admin_password: admin\n' >"$scratch/inventory/group_vars/all/vault.yml"
ansible-vault encrypt --vault-password-file "$scratch/vault-password" \
    "$scratch/inventory/group_vars/all/vault.yml" >/dev/null
grep -q '^\$ANSIBLE_VAULT' "$scratch/inventory/group_vars/all/vault.yml" || fail "vault not encrypted"
printf '[halix_hosts]\nlocalhost ansible_connection=local ansible_python_interpreter=/usr/bin/python3\n' \
    >"$scratch/inventory/hosts.ini"

# play NAME [ARGS...]: runs the playbook with ARGS, its output in NAME.log; returns its status.
play() {
    local name=$1
    shift
    timeout 240 ansible-playbook -i "$scratch/inventory/hosts.ini" \
        --vault-password-file "$scratch/vault-password" \
        -e "halix_settings_file=$scratch/settings.nvram" -e "halix_term=$bin_dir/halix-term" \
        -e "halix_events_dir=$scratch/events" \
        -e "{\"halix_environment\": {\"HALIX_MACHINE\": \"$HALIX_MACHINE\"}}" \
        "$@" "$source_dir/examples/fleet/playbook.yml" >"$scratch/$name.log" 2>&1
}
recap() { grep -E '^localhost +:' "$scratch/$1.log" || true; }
no_password() { ! grep -q 'admin' <(grep -v 'ansible_user' "$scratch/$1.log") || fail "$1: the password is in the log"; }

play first || { cat "$scratch/first.log"; fail "the first run failed"; }
recap first | grep -q 'changed=1 .*failed=0' || { cat "$scratch/first.log"; fail "first run: not changed"; }
[ "$("$bin_dir/halix-sim" eeprom)" = "$file_hex" ] || fail "the card does not hold the file's record"
grep -q '"command": *"set"' "$scratch/events/localhost.jsonl" || fail "no set result kept"
grep -q '"changed": *\["host-id", *"parity"\]' "$scratch/events/localhost.jsonl" ||
    { cat "$scratch/events/localhost.jsonl"; fail "the kept result does not name what changed"; }

"$bin_dir/halix-sim" journal --clear >/dev/null
play second || { cat "$scratch/second.log"; fail "the second run failed"; }
recap second | grep -q 'changed=0 .*failed=0' || { cat "$scratch/second.log"; fail "second run: changed"; }
"$bin_dir/halix-sim" journal | grep -q kGetEEPConfig || fail "the second run did not read the card"
! "$bin_dir/halix-sim" journal | grep -q kSetEEPConfig || fail "the second run wrote to the card"

# A preview of other settings: the diff lists exactly them, and nothing is written.
"$bin_dir/halix-sim" journal --clear >/dev/null
play preview --check --diff \
    -e '{"halix_settings": {"host-id": 3, "target.2.wide": false, "parity": "off"}}' ||
    { cat "$scratch/preview.log"; fail "the preview failed"; }
grep -qx -- '-host-id 5' "$scratch/preview.log" && grep -qx -- '+host-id 3' "$scratch/preview.log" &&
    grep -qx -- '-target.2.wide on' "$scratch/preview.log" &&
    grep -qx -- '+target.2.wide off' "$scratch/preview.log" ||
    { cat "$scratch/preview.log"; fail "the diff does not show the settings that would change"; }
[ "$(grep -Ec '^[-+](host-id|parity|termination|target\.)' "$scratch/preview.log")" = 4 ] ||
    { cat "$scratch/preview.log"; fail "the diff shows more than the settings that differ"; }
! "$bin_dir/halix-sim" journal | grep -q kSetEEPConfig || fail "the preview wrote to the card"
[ "$("$bin_dir/halix-sim" eeprom)" = "$file_hex" ] || fail "the preview changed the card"
no_password preview

"$bin_dir/halix-sim" fault eeprom-read-error >/dev/null
if play unreadable; then
    cat "$scratch/unreadable.log"
    fail "an unreadable record did not fail the host"
fi
recap unreadable | grep -q 'changed=0 .*failed=1' || { cat "$scratch/unreadable.log"; fail "not failed"; }
grep -q 'alerts: MSG_START, MSG_READFAIL' "$scratch/unreadable.log" ||
    { cat "$scratch/unreadable.log"; fail "the failure does not say what the utility told"; }
no_password unreadable

# A disk on the card: the host fails with the utility's refusal named first, its key and its
# text; nothing is written.
"$bin_dir/halix-sim" fault clear >/dev/null
"$bin_dir/halix-sim" device add OrbaHalix >/dev/null
"$bin_dir/halix-sim" journal --clear >/dev/null
if play disk; then
    cat "$scratch/disk.log"
    fail "a disk on the card did not fail the host"
fi
grep -Eq 'alerts: MSG_WARN \(MSG_WARN: \\?"A SCSI device is attached to this card.* halix-term ended' \
    "$scratch/disk.log" || { cat "$scratch/disk.log"; fail "the failure does not lead with MSG_WARN"; }
! "$bin_dir/halix-sim" journal | grep -q kSetEEPConfig || fail "a card with a disk was written"
no_password disk
echo "fleet: changed, then unchanged without a write, a preview that writes nothing, then failed on an unreadable record and a disk"
