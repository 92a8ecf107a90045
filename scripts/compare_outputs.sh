#!/usr/bin/env bash
# Extracts every database of a corpus folder with a set of option variants and writes the results
# below OUT/<variant>/; with a second output folder it compares two such result trees instead.
# Used to show that a change of the engine's code leaves every written byte as it was:
#   scripts/compare_outputs.sh run  build-old/bin/tesk ../shared/corpus /tmp/before
#   scripts/compare_outputs.sh run  build/bin/tesk     ../shared/corpus /tmp/after
#   scripts/compare_outputs.sh diff /tmp/before /tmp/after
# Every variant is extracted in one fixed scratch folder and then moved to OUT, because the index
# and the messages name the output folder. The summaries' clock fields (started, finished,
# seconds) are blanked before the comparison.
set -euo pipefail

usage() { echo "usage: $0 run TESK CORPUS OUT | $0 diff BEFORE AFTER" >&2; exit 2; }

variants=(
  "bmp|--format bmp --index index.txt"
  "bmp-sort-script|--format bmp --sort --script resources.rcp"
  "bmp-16to24|--raw-options 0x4000 --index index.txt"
  "bmp-no-le16-swap|--raw-options 0x0800 --index index.txt"
  "bmp-force-compress|--raw-options 0x0060"
  "bmp-skip-data|--skip data --index index.txt"
  "png|--format png --index index.txt"
  "png-sort|--format png --sort --index index.txt"
  "png-resize|--format png --resize 32x32 --index index.txt"
  "png-resize-up|--format png --resize 40x30,up"
  "png-palette|--format png-palette --index index.txt"
  "png-palette-resize|--format png-palette --resize 16x16"
  "jpeg|--format jpeg --index index.txt"
  "jpeg-resize-up|--format jpeg --resize 64x64,up"
  "only-tbmp1000|--only Tbmp1000 --index index.txt"
  "skip-tbmp-taib|--skip tbmp taib --script resources.rcp"
  "gallery|--format png --gallery"
)

run_variants() {
  local tesk=$1 corpus=$2 out=$3
  mkdir -p "$out"
  local inputs=()
  while IFS= read -r -d '' f; do inputs+=("$f"); done < <(find "$corpus" -maxdepth 1 -type f \( -name '*.prc' -o -name '*.pdb' -o -name '*.palm' \) -print0 | sort -z)
  for v in "${variants[@]}"; do
    local name=${v%%|*} options=${v#*|}
    local work=${TMPDIR:-/tmp}/tesk-compare/$name
    rm -rf "${out:?}/$name" "$work"
    mkdir -p "$work"
    # Exit codes differ by database; what matters is what was written, and the summary records them.
    # shellcheck disable=SC2086
    "$tesk" extract "${inputs[@]}" -o "$work" -j 1 $options --summary "$work/summary.json" \
      >"$out/$name.stdout" 2>"$out/$name.stderr" || true
    sed -i -E 's/"(started|finished|seconds)": *("[^"]*"|[0-9.eE+-]+)/"\1": ""/g' "$work/summary.json"
    mv "$work" "$out/$name"
    echo "$name: $(find "$out/$name" -type f | wc -l) files"
  done
}

case ${1:-} in
  run) [ $# -eq 4 ] || usage; run_variants "$2" "$3" "$4" ;;
  diff)
    [ $# -eq 3 ] || usage
    # diff -r compares every file's bytes; the outputs of stdout and stderr too.
    if diff -r "$2" "$3" >/dev/null; then
      echo "identical: $(find "$2" -type f | wc -l) files"
    else
      diff -rq "$2" "$3" | head -20
      exit 1
    fi
    ;;
  *) usage ;;
esac
