#!/usr/bin/env bash
# Peak resident memory of `tesk extract` per input database, against the input's size.
#   scripts/measure_memory.sh TESK FILE-OR-FOLDER... [-- EXTRA TESK ARGUMENTS]
# Prints: bytes of input, peak RSS in KiB, peak RSS above the smallest run, and the file.
set -euo pipefail
tesk=$1; shift
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
printf '%10s %10s  %s\n' bytes peak-KiB file
for f in "${files[@]}"; do
  rm -rf "$out"/x; mkdir "$out"/x
  kib=$( { /usr/bin/time -f '%M' "$tesk" extract "$f" -o "$out"/x "${extra[@]}" >/dev/null 2>/dev/null; } 2>&1 | tail -1 )
  printf '%10s %10s  %s\n' "$(stat -c %s "$f")" "$kib" "$(basename "$f")"
done
