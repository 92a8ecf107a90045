#!/usr/bin/env bash
# Extraction speed against netpbm's per-bitmap pipeline and against plain writes of the same bytes,
# measured in one run on the same inputs: the exact PNG (--format png), the quantised PNG
# (--format png-palette), BMP, and netpbm's palmtopnm | pnmtopng once per bitmap.
#   app     one typical application, 40 bitmaps, ~100 KB
#   skin    one skin of 2,000 bitmaps, ~23 MB
#   small   500 small databases of icons
#   colour  200 small databases of 8- and 16-bit colour bitmaps up to 160 x 160
#   zip     the 500 small databases from one .zip, against the unpacked folder
# Targets: the exact PNG at most 2x the BMP time on small; at least 40x faster than netpbm on
# colour with two jobs; the .zip within 1.3x of the folder.
# Usage: bench/compare.sh [BUILD_DIR]   (environment: RUNS=3 NETPBM_RUNS=1 WORK=folder
# SETS="app skin small colour"; BUILD_DIR/bin holds tesk, make-bench-inputs and plain-write; WORK keeps
# the inputs and cut bitmaps for the next run; SETS="" measures only the archive)
# Each figure is the median wall time of RUNS runs (NETPBM_RUNS for netpbm, which is slow) with
# warm file caches; the output folders are emptied before every run and not timed.
set -euo pipefail

BUILD=${1:-build}
RUNS=${RUNS:-3}
SETS=${SETS-app skin small colour}
NETPBM_RUNS=${NETPBM_RUNS:-1}
TESK=$BUILD/bin/tesk
for tool in "$TESK" "$BUILD/bin/make-bench-inputs" "$BUILD/bin/plain-write"; do
    [[ -x $tool ]] || { echo "compare.sh: $tool is missing: ninja -C $BUILD tesk_cli make-bench-inputs plain-write" >&2; exit 2; }
done
for tool in palmtopnm pnmtopng /usr/bin/time; do
    command -v "$tool" >/dev/null || { echo "compare.sh: $tool is missing (Debian packages netpbm, time)" >&2; exit 2; }
done

WORK=${WORK:-$(mktemp -d /tmp/tesk-compare.XXXXXX)}
mkdir -p "$WORK"
IN=$WORK/in OUT=$WORK/out CUT=$WORK/cut
[[ -d $IN/colour ]] || { rm -rf "$IN" "$CUT"; "$BUILD/bin/make-bench-inputs" "$IN" >/dev/null; }

# netpbm reads one bitmap per file: each bitmap resource is cut out of its database at the offset
# and size `tesk list` shows, as a user would with dd. Cutting is preparation and is not timed.
cut_bitmaps() {   # database target-folder
    "$TESK" list "$1" | awk '$1 == "Tbmp" || $1 == "tAIB" { print $1, $2, $3, $4 }' |
        while read -r type id offset size; do
            dd if="$1" of="$2/$(basename "$1" .prc)-$type$id.pbin" bs=64K iflag=skip_bytes,count_bytes skip="$offset" count="$size" status=none
        done
}
if [[ ! -d $CUT ]]; then
    rm -rf "$CUT.part"
    mkdir -p "$CUT.part/app" "$CUT.part/skin" "$CUT.part/small" "$CUT.part/colour"
    cut_bitmaps "$IN/app/app.prc" "$CUT.part/app"
    cut_bitmaps "$IN/skin/skin.prc" "$CUT.part/skin"
    for db in "$IN"/small/*.prc; do cut_bitmaps "$db" "$CUT.part/small"; done
    for db in "$IN"/colour/*.prc; do cut_bitmaps "$db" "$CUT.part/colour"; done
    mv "$CUT.part" "$CUT"
fi

now() { date +%s.%N; }
median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
# Every run writes into a new empty folder; all are removed at the end. Removing thousands of files
# between runs would slow the next run's file creation (ext4 passes over just-freed inodes), which
# measures the benchmark, not the extractor.

fresh() { OUT=$(mktemp -d "$WORK/out.XXXXXX"); }

# Median seconds of a command run N times into an empty $OUT.
timed() {   # runs command...
    local n=$1; shift
    for ((i = 0; i < n; i++)); do
        fresh
        local t0; t0=$(now)
        "$@" >/dev/null 2>&1 || true
        awk -v a="$(now)" -v b="$t0" 'BEGIN { printf "%.4f\n", a - b }'
    done | median
}

netpbm() {   # the cut bitmaps of one input set, one palmtopnm | pnmtopng pipeline per bitmap
    local failed=0
    for f in "$CUT/$1"/*.pbin; do
        palmtopnm "$f" 2>/dev/null | pnmtopng >"$OUT/$(basename "$f" .pbin).png" 2>/dev/null || failed=$((failed + 1))
    done
    [[ $failed == 0 ]] || echo "netpbm: $failed bitmaps of $1 failed" >&2
}
tesk_run() {   # set format jobs
    local inputs=("$IN/$1")
    [[ $1 == small || $1 == colour ]] || inputs=("$IN/$1/$1.prc")
    "$TESK" extract "${inputs[@]}" -o "$OUT" --format "$2" -j "$3"
}
# Plain writes of exactly the files a BMP extraction produced (bitmaps, data resources, folders):
# only the writing is timed, so the floor holds neither a process start nor any reading.
# The BMP runs and the floor alternate: on ext4 the cost of creating a file depends on what the
# file system went through just before (inodes freed or taken), so runs taken one after the other
# in two blocks would compare two states of the disk rather than two programs.
bmp_and_floor() {   # set -> "bmp-seconds floor-seconds" (medians)
    fresh
    tesk_run "$1" bmp 1 >/dev/null
    local source=$OUT t0 bmp=() fl=()
    for ((i = 0; i < RUNS; i++)); do
        fresh
        t0=$(now)
        tesk_run "$1" bmp 1 >/dev/null 2>&1 || true
        bmp+=("$(awk -v a="$(now)" -v b="$t0" 'BEGIN { printf "%.4f\n", a - b }')")
        fresh
        fl+=("$("$BUILD/bin/plain-write" "$source" "$OUT")")
    done
    echo "$(printf '%s\n' "${bmp[@]}" | median) $(printf '%s\n' "${fl[@]}" | median)"
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

echo "machine: $(nproc) cores, load average at start: $(cut -d' ' -f1-3 /proc/loadavg)"
[[ -z $SETS ]] || printf '%-6s %8s %8s %8s %8s %8s %8s %8s %8s | %12s %10s %10s %10s\n' set netpbm png-j1 png-j2 \
    pal-j1 pal-j2 bmp-j1 floor bmp-j2 netpbm/png-j2 png/bmp pal/png bmp/floor
for set in $SETS; do
    bitmaps=$(find "$CUT/$set" -name '*.pbin' | wc -l)
    np=nan   # NETPBM_RUNS=0 leaves netpbm out, to compare two builds of tesk quickly
    [[ $NETPBM_RUNS == 0 ]] || np=$(timed "$NETPBM_RUNS" netpbm "$set")
    png1=$(timed "$RUNS" tesk_run "$set" png 1)
    png2=$(timed "$RUNS" tesk_run "$set" png 2)
    pal1=$(timed "$RUNS" tesk_run "$set" png-palette 1)
    pal2=$(timed "$RUNS" tesk_run "$set" png-palette 2)
    read -r bmp1 fl < <(bmp_and_floor "$set")
    bmp2=$(timed "$RUNS" tesk_run "$set" bmp 2)
    printf '%-6s %8.3f %8.3f %8.3f %8.3f %8.3f %8.3f %8.3f %8.3f | %11.1fx %9.2fx %9.2fx %9.2fx   (%s bitmaps)\n' "$set" "$np" \
        "$png1" "$png2" "$pal1" "$pal2" "$bmp1" "$fl" "$bmp2" "$(ratio "$np" "$png2")" "$(ratio "$png1" "$bmp1")" \
        "$(ratio "$pal1" "$png1")" "$(ratio "$bmp1" "$fl")" "$bitmaps"
done
# Processor time does not depend on what else the machine runs: it shows whether two jobs cost
# more work than one, when the wall times are blurred by other load.
cpu() {   # set format jobs
    fresh
    { /usr/bin/time -f '%U %S' "$TESK" extract "$IN/$1" -o "$OUT" --format "$2" -j "$3" >/dev/null; } 2>&1 |
        tail -1 | awk '{ printf "%.3f", $1 + $2 }'
}
if [[ -n $SETS ]]; then
    echo "processor seconds (user+sys), -j 1 and -j 2: small as PNG $(cpu small png 1) $(cpu small png 2)," \
         "as palette PNG $(cpu small png-palette 1) $(cpu small png-palette 2), as BMP $(cpu small bmp 1) $(cpu small bmp 2);" \
         "colour as PNG $(cpu colour png 1) $(cpu colour png 2)"
    peak() {   # format
        fresh
        local kb; kb=$( { /usr/bin/time -f '%M' "$TESK" extract "$IN/skin/skin.prc" -o "$OUT" --format "$1" >/dev/null; } 2>&1 | tail -1)
        echo "$((kb / 1024))"
    }
    echo "peak memory, skin: as PNG $(peak png) MB, as palette PNG $(peak png-palette) MB, as BMP $(peak bmp) MB"
fi

# The 500 small databases from one deflated .zip against the folder it holds, runs alternating
# (as BMP against the floor, and for the same reason); the archive is read member by member into
# memory, never unpacked.
[[ -f $IN/small.zip ]] || python3 - "$IN" <<'PY'
import os, sys, zipfile
root = sys.argv[1]
with zipfile.ZipFile(os.path.join(root, "small.zip.part"), "w", zipfile.ZIP_DEFLATED) as z:
    for name in sorted(os.listdir(os.path.join(root, "small"))):
        z.write(os.path.join(root, "small", name), "small/" + name)
os.rename(os.path.join(root, "small.zip.part"), os.path.join(root, "small.zip"))
PY
zip_and_folder() {   # format jobs -> "zip-seconds folder-seconds" (medians)
    local t0 zip=() folder=()
    for ((i = 0; i < RUNS; i++)); do
        fresh
        t0=$(now)
        "$TESK" extract "$IN/small.zip" -o "$OUT" --format "$1" -j "$2" >/dev/null 2>&1 || true
        zip+=("$(awk -v a="$(now)" -v b="$t0" 'BEGIN { printf "%.4f\n", a - b }')")
        fresh
        t0=$(now)
        "$TESK" extract "$IN/small" -o "$OUT" --format "$1" -j "$2" >/dev/null 2>&1 || true
        folder+=("$(awk -v a="$(now)" -v b="$t0" 'BEGIN { printf "%.4f\n", a - b }')")
    done
    echo "$(printf '%s\n' "${zip[@]}" | median) $(printf '%s\n' "${folder[@]}" | median)"
}
printf '%-12s %9s %9s %9s\n' "500 dbs" zip folder zip/folder
for run in "bmp 1" "bmp 2" "png 2"; do
    read -r z f < <(zip_and_folder $run)
    printf '%-12s %9.3f %9.3f %8.2fx\n' "${run/ /-j}" "$z" "$f" "$(ratio "$z" "$f")"
done
echo "load average at end: $(cut -d' ' -f1-3 /proc/loadavg)"
[[ -z $SETS ]] || echo "(png: the exact PNG; pal: the quantised PNG; netpbm/png-j2: netpbm's seconds over tesk's with two jobs;"
[[ -z $SETS ]] || echo " png/bmp and pal/png with one job; times in seconds, medians)"
rm -rf "$WORK"/out.*
