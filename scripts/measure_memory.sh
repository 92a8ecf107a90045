#!/usr/bin/env bash
# Peak resident memory of `tesk extract` per input database, against the input's size.
#   scripts/measure_memory.sh TESK FILE-OR-FOLDER... [-- EXTRA TESK ARGUMENTS]
# Prints: bytes of input, peak RSS in KiB and the file.
set -euo pipefail
tesk=$(realpath "$1"); shift
inputs=(); extra=()
while (($#)); do
  if [[ $1 == -- ]]; then shift; extra=("$@"); break; fi
  inputs+=("$1"); shift
done
files=()
for i in "${inputs[@]}"; do
  if [[ -d $i ]]; then while IFS= read -r f; do files+=("$f"); done < <(find "$i" -maxdepth 1 -type f \( -name '*.prc' -o -name '*.pdb' \) | sort)
  else files+=("$i"); fi
done
out=$(mktemp -d); trap 'rm -rf "$out"' EXIT
for k in "${!files[@]}"; do files[k]=$(realpath "${files[k]}"); done
cd "$out"   # relative text-file names in the extra arguments land here
printf '%10s %10s  %s\n' bytes peak-KiB 'file (exit status when not 0)'
for f in "${files[@]}"; do
  rm -rf "$out"/x; mkdir "$out"/x
  status=0
  /usr/bin/time -o "$out"/rss -f '%M' "$tesk" extract "$f" -o "$out"/x "${extra[@]}" >/dev/null 2>&1 || status=$?
  printf '%10s %10s  %s%s\n' "$(stat -c %s "$f")" "$(tail -1 "$out"/rss)" "$(basename "$f")" "$( ((status)) && echo " (exit $status)")"
done
