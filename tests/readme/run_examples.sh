#!/usr/bin/env bash
# Runs every shell block of the README marked "<!-- example -->", in order, in one scratch folder
# that holds the sample as app.prc and a folder palm/ of databases, with the built tesk first on
# the search path. Fails when a block fails, when there are no examples, or when a shell block that
# calls tesk is not marked (so no command in the README escapes the test).
set -uo pipefail
readme=$(realpath "$1") tesk=$(realpath "$2") sample=$(realpath "$3")

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch/bin" "$scratch/work/palm/old" "$scratch/blocks"
ln -s "$tesk" "$scratch/bin/tesk"
cp "$sample" "$scratch/work/app.prc"
cp "$sample" "$scratch/work/palm/app.prc"
cp "$sample" "$scratch/work/palm/old/skin.pdb"

# Splits the README into blocks/N.sh (marked) and reports unmarked sh blocks that call tesk.
awk -v dir="$scratch/blocks" '
    /^<!-- example -->[[:space:]]*$/ { marked = 1; next }
    !inblock && /^```sh[[:space:]]*$/ { inblock = 1; n++; file = dir "/" (marked ? "" : "unmarked-") n ".sh"; start = NR; marked = 0; next }
    inblock && /^```[[:space:]]*$/ { inblock = 0; close(file); next }
    inblock { print > file; next }
    !/^[[:space:]]*$/ { marked = 0 }
    END { if (inblock) { print "README: the block opened on line " start " never closes" > "/dev/stderr"; exit 1 } }
' "$readme" || exit 1

failures=0
for block in "$scratch"/blocks/unmarked-*.sh; do
    [ -e "$block" ] || continue
    if grep -Eq '(^|[;&|(]|&&|\|\|)[[:space:]]*tesk([[:space:]]|$)' "$block"; then
        echo "FAIL: a shell block calls tesk but is not marked as an example:" >&2
        cat "$block" >&2
        failures=$((failures + 1))
    fi
done

count=0
for block in $(ls "$scratch"/blocks/[0-9]*.sh 2>/dev/null | sort -t/ -k1 -V); do
    count=$((count + 1))
    if ! out=$(cd "$scratch/work" && PATH="$scratch/bin:$PATH" bash -euo pipefail "$block" 2>&1); then
        echo "FAIL: this README example failed:" >&2
        sed 's/^/    /' "$block" >&2
        echo "  output:" >&2
        sed 's/^/    /' <<<"$out" >&2
        failures=$((failures + 1))
    fi
done
[ "$count" -gt 0 ] || { echo "FAIL: the README has no example blocks" >&2; exit 1; }
[ "$failures" -eq 0 ] || exit 1
echo "$count README examples ran"
