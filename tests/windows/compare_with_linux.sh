#!/usr/bin/env bash
# The Windows tesk.dll, loaded by name under wine, writes the same files as the Linux library:
# the same host program (load_library_host) runs one extraction per database and image format
# (BMP and the exact PNG) with each build, and the images, raw resources and index tables must
# agree byte for byte.
#   compare_with_linux.sh LINUX-BIN WIN64-BUILD SOURCE-DIR [CORPUS-DIR]
# Exit 77 (skipped) when the cross build or wine is missing, 1 instead when TESK_WINDOWS_REQUIRED is
# set (make check-windows has just made them, so their absence there is a fault).
set -uo pipefail
linux_bin=$(realpath -m "$1")
win_build=$(realpath -m "$2")
source_dir=$(realpath -m "$3")
corpus=${4:-}
win_bin=$win_build/bin

skip() {
  if [ -n "${TESK_WINDOWS_REQUIRED:-}" ] && [ "$TESK_WINDOWS_REQUIRED" != 0 ]; then echo "FAIL: $1"; exit 1; fi
  echo "$1: skipped"; exit 77
}
for f in "$linux_bin/load_library_host" "$linux_bin/libtesk.so" "$win_bin/load_library_host.exe" "$win_bin/tesk.dll"; do
  [ -f "$f" ] || skip "$f is missing (make windows)"
done
if ! command -v wine >/dev/null && ! command -v wine64 >/dev/null && [ ! -x /usr/lib/wine/wine64 ]; then
  skip "wine is not installed"
fi

databases=("$source_dir/samples/sample.prc")
# A few real databases too, when the shared corpus is there: the smallest of each kind.
if [ -n "$corpus" ] && [ -d "$corpus" ]; then
  while IFS= read -r f; do databases+=("$f"); done < <(find "$corpus" -maxdepth 2 -type f -iname '*.prc' -size -400k | sort | head -4)
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

# The index with a folder prefix replaced by OUT/.
in_folder() { local literal; literal=$(printf '%s' "$1" | sed 's/[][\\.*^$#]/\\&/g'); sed "s#$literal#OUT/#g"; }

# Z: is wine's drive for the Unix root.
winpath() { printf 'Z:%s' "${1//\//\\}"; }

compare() {   # database format-number extension
  local db=$1 format=$2 extension=$3 name run linux_status windows_status before=$failures
  name=$(basename "$1")
  run=$work/$name.$extension
  mkdir -p "$run/linux" "$run/windows"
  linux_status=$("$linux_bin/load_library_host" "$linux_bin/libtesk.so" "$db" "$run/linux" "$run/linux.index" "$format")
  # The Windows host is started from its own folder and loads tesk.dll by its bare name, through
  # the normal search order, as the front end does.
  windows_status=$(cd "$win_bin" && "$source_dir/scripts/wine-run" "$win_build/wineprefix" load_library_host.exe tesk.dll \
                   "$(winpath "$db")" "$(winpath "$run/windows")" "$(winpath "$run/windows.index")" "$format" \
                   | tr -d '\r')
  if [ "$linux_status" != "$windows_status" ]; then
    echo "FAIL $name $extension: status $linux_status on Linux, $windows_status on Windows"; failures=$((failures + 1))
  fi
  if ! diff -r "$run/linux" "$run/windows" >"$work/diff" 2>&1; then
    echo "FAIL $name $extension: the written files differ"; head -5 "$work/diff"; failures=$((failures + 1))
  fi
  # The index names each image by the output folder given to the run and the image's name; the
  # folders differ by design (a Windows path on one side), so each is replaced by OUT/ before the
  # comparison. Both builds write the folder with "/" there, so nothing else needs normalising.
  if ! diff <(in_folder "Z:$run/windows/" <"$run/windows.index") \
            <(in_folder "$run/linux/" <"$run/linux.index") >"$work/diff"; then
    echo "FAIL $name $extension: the index tables differ"; head -5 "$work/diff"; failures=$((failures + 1))
  fi
  local images
  images=$(find "$run/linux" -type f -name "*.$extension" | wc -l)
  # Every database compared has bitmaps: a run that wrote none of them proves nothing.
  if [ "$images" = 0 ]; then echo "FAIL $name $extension: no .$extension files written"; failures=$((failures + 1)); fi
  if [ "$failures" = "$before" ]; then
    echo "$name $extension: status $linux_status, $(find "$run/linux" -type f | wc -l) files ($images images) and the index identical"
  fi
}

for db in "${databases[@]}"; do
  compare "$db" 0 bmp
  compare "$db" 3 png
done
exit $((failures != 0))
