#!/usr/bin/env bash
# Converts every document the project keeps (the fuzzing corpus, the test
# fixtures, the sample) with two builds' converters and compares the
# outputs byte for byte: proof that a change of the code's shape changed
# nothing a user gets.
#
#   scripts/compare-builds.sh OLD_BUILD_DIR NEW_BUILD_DIR [FILE|DIR]...
#
# Without files, the project's documents are compared. Prints one line per
# difference and a summary; exits 1 if any output differs.
set -euo pipefail
cd "$(dirname "$0")/.."

[ $# -ge 2 ] || { echo "usage: $0 OLD_BUILD_DIR NEW_BUILD_DIR [FILE|DIR]..." >&2; exit 2; }
old=$1 new=$2
shift 2

converter() {
    # An older build had a second, full converter beside the one users start.
    for c in "$1/borovka-convert-full" "$1/borovka-convert"; do
        [ -x "$c" ] && { echo "$c"; return; }
    done
    echo "no converter in $1" >&2
    exit 2
}
old_conv=$(converter "$old")
new_conv=$(converter "$new")

inputs=("$@")
if [ ${#inputs[@]} -gt 0 ]; then
    mapfile -t files < <(find "${inputs[@]}" -type f | sort)
else
    # Word and OpenDocument fixtures kept as folders of XML are zipped by
    # their tests; the packages and flat files among them are compared.
    mapfile -t files < <({ find fuzz/corpus tests/rtf/data tests/convert/data packaging/sample -type f
        find fuzz/corpus-docx fuzz/corpus-odt tests/docx/data tests/odt/data tests/formats -type f \
            \( -name '*.docx' -o -name '*.odt' -o -name '*.fodt' \); } | sort)
fi

export QT_QPA_PLATFORM=offscreen
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

compared=0 differing=0
for f in "${files[@]}"; do
    for ext in kln txt html md docx odt; do
        o=$work/old.$ext n=$work/new.$ext
        rm -f "$o" "$n"
        old_rc=0 new_rc=0
        "$old_conv" "$f" "$o" 2>"$work/old.err" || old_rc=$?
        "$new_conv" "$f" "$n" 2>"$work/new.err" || new_rc=$?
        compared=$((compared + 1))
        if [ $old_rc -ne $new_rc ]; then
            echo "DIFFERS $f -> .$ext: exit $old_rc before, $new_rc now"
            differing=$((differing + 1))
        elif [ -e "$o" ] && ! cmp -s "$o" "$n"; then
            echo "DIFFERS $f -> .$ext"
            differing=$((differing + 1))
        fi
    done
done
echo "compared $compared outputs of ${#files[@]} files: $differing differ"
[ $differing -eq 0 ]
