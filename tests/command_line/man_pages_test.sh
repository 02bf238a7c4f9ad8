#!/usr/bin/env bash
# Every man page renders without a warning and sets in bold every command, option and fault
# switch that its program lists in its usage (--help), so a page cannot fall behind its program.
set -euo pipefail
bin_dir=$1
pages_dir=$2
source "$(dirname "$0")/programs.sh"
export LC_ALL=C.UTF-8 MANWIDTH=80

# The literal words of a usage: its lines indented by exactly two blanks, up to the first run
# of two blanks (where the description starts); placeholders such as NAME or PATH are upper case.
usage_words() {
    awk '/^  [^ ]/ { sub(/^  /, ""); sub(/  .*/, ""); gsub(/[][|,]/, " ");
                     for (i = 1; i <= NF; i++) if ($i ~ /[a-z]/) print $i }' | sort -u
}

# The words a page sets in bold. grotty's legacy output marks a bold character as
# "c BACKSPACE c"; one long line per paragraph and no hyphenation keep words whole.
bold_words() {
    groff -man -Tascii -P-c -rLL=2000n -rHY=0 "$1" 2>/dev/null |
        perl -ne 'while (/((?:(.)\x08\2)+)/g) { (my $w = $1) =~ s/.\x08//g; print "$w\n" }' |
        tr ' |,[]' '\n\n\n\n\n' | sed '/^$/d' | sort -u
}

failures=0
for program in "${programs[@]}"; do
    page="$pages_dir/$program.1"
    warnings=$(man --warnings -l "$page" 2>&1 >/dev/null)
    if [ -n "$warnings" ]; then
        echo "FAIL: man warns about $page:"
        echo "$warnings"
        failures=$((failures + 1))
    fi
    usage=$(timeout 20 "$bin_dir/$program" --help)
    missing=$(comm -23 <(usage_words <<<"$usage") <(bold_words "$page"))
    if [ -n "$missing" ]; then
        echo "FAIL: $page does not name in bold what $program --help lists:" $missing
        failures=$((failures + 1))
    fi
done
[ "$failures" -eq 0 ] || exit 1
echo "man pages checked: ${programs[*]}"
