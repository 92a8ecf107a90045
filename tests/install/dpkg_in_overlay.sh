#!/usr/bin/env bash
# Run by package_debs.sh as `unshare --mount bash dpkg_in_overlay.sh SCRATCH DEB...`, as root: the
# packages are installed with dpkg -i into a copy-on-write view of this very system (an overlay of
# / whose changes go to a tmpfs), used there, removed, purged, and checked to leave nothing. The
# mounts belong to the private mount namespace and vanish with it, so the real system is never
# changed. Exit status 77: no such view can be made here.
set -uo pipefail
. "$(dirname "$0")/checks.sh"
scratch=$1
shift
view="$scratch/view"
mkdir -p "$view"
mount -t tmpfs tmpfs "$view" 2>/dev/null || exit 77
mkdir -p "$view/upper" "$view/work" "$view/root"
mount -t overlay overlay -o "lowerdir=/,upperdir=$view/upper,workdir=$view/work" "$view/root" 2>/dev/null || exit 77
root="$view/root"
mount -t proc proc "$root/proc" 2>/dev/null || true
in_root() { chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LC_ALL=C.UTF-8 "$@"; }

mkdir -p "$root/tmp/packages"
cp "$@" "$root/tmp/packages/"
cp "$TESK_SAMPLE" "$root/tmp/sample.prc"
packages=()
for deb in "$@"; do packages+=("$(dpkg-deb -f "$deb" Package)"); done
# Everything the packages hold that the system did not have before must be gone after the purge.
for deb in "$@"; do dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|; s|/$||'; done | sort -u >"$scratch/paths"
while read -r path; do [ -e "$root$path" ] || [ -L "$root$path" ] || echo "$path"; done <"$scratch/paths" >"$scratch/new-paths"

files=()
for deb in "$@"; do files+=("/tmp/packages/$(basename "$deb")"); done
in_root dpkg -i "${files[@]}" >"$scratch/dpkg-i.log" 2>&1 || { cat "$scratch/dpkg-i.log" >&2; fail "dpkg -i failed"; }
for p in "${packages[@]}"; do
    expect_equal "$(in_root dpkg-query -W -f '${db:Status-Abbrev}' "$p" 2>/dev/null)" "ii " "state of $p after dpkg -i"
done

expect_equal "$(in_root tesk --version)" "tesk $TESK_VERSION" "installed tesk --version"
mkdir -p "$root/tmp/out"
in_root tesk extract /tmp/sample.prc -o /tmp/out --format png >/dev/null 2>&1 || fail "the installed tesk could not extract the sample"
ls "$root/tmp/out"/*.png >/dev/null 2>&1 || fail "the installed tesk wrote no PNG image"
libs=$(in_root pkg-config --libs tesk) || fail "pkg-config --libs tesk failed"
grep -q -- '-ltesk' <<<"$libs" || fail "pkg-config --libs tesk gives '$libs'"
# The ldconfig trigger ran: the loader's cache knows the library by its soname.
in_root ldconfig -p | grep "libtesk.so.$TESK_VERSION_MAJOR " >/dev/null || fail "libtesk.so.$TESK_VERSION_MAJOR is not in the ldconfig cache"
if [ -f "$TESK_CONSUMER/extract_sample.c" ] && in_root sh -c 'command -v cc' >/dev/null; then
    cp "$TESK_CONSUMER/extract_sample.c" "$root/tmp/"
    # shellcheck disable=SC2016
    in_root sh -c 'cc -o /tmp/consumer /tmp/extract_sample.c $(pkg-config --cflags --libs tesk)' >"$scratch/cc.log" 2>&1 ||
        { cat "$scratch/cc.log" >&2; fail "a program cannot be built against the installed packages"; }
    mkdir -p "$root/tmp/out-consumer"
    in_root /tmp/consumer /tmp/sample.prc /tmp/out-consumer >/dev/null || fail "the program built against the packages failed"
fi

# Removed, no package may stay behind in state "rc": none of them has a conffile.
in_root dpkg -r "${packages[@]}" >"$scratch/dpkg-r.log" 2>&1 || { cat "$scratch/dpkg-r.log" >&2; fail "dpkg -r failed"; }
for p in "${packages[@]}"; do
    state=$(in_root dpkg-query -W -f '${db:Status-Abbrev}' "$p" 2>/dev/null)
    case "$state" in "" | "un ") ;; *) fail "$p is in state '$state' after dpkg -r" ;; esac
done
in_root dpkg -P "${packages[@]}" >"$scratch/dpkg-P.log" 2>&1 || { cat "$scratch/dpkg-P.log" >&2; fail "dpkg -P failed"; }
for p in "${packages[@]}"; do
    in_root dpkg-query -W "$p" >/dev/null 2>&1 && fail "dpkg still knows $p after dpkg -P"
    ls "$root/var/lib/dpkg/info/$p".* >/dev/null 2>&1 && fail "dpkg -P left $root/var/lib/dpkg/info/$p.*"
done
while read -r path; do
    { [ -e "$root$path" ] || [ -L "$root$path" ]; } && fail "left behind after dpkg -P: $path"
done <"$scratch/new-paths"
finish
