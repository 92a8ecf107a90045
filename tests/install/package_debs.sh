#!/usr/bin/env bash
# Builds the Debian packages into a scratch folder, checks their control fields and symbols file,
# runs lintian on each, unpacks them with dpkg -x into a scratch root and checks that the files
# land where stated and the command runs; then installs, removes and purges them with dpkg in a
# throw-away view of the system where one can be made.
set -uo pipefail
here=$(dirname "$0")
. "$here/checks.sh"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

(cd "$TESK_BUILD" && cpack -G DEB -B "$scratch/packages") >"$scratch/cpack.log" 2>&1 || { cat "$scratch/cpack.log"; exit 1; }

arch=$(dpkg --print-architecture)
version="$TESK_VERSION-$TESK_DEBIAN_REVISION"
library_package="libtesk$TESK_VERSION_MAJOR"
deb() { echo "$scratch/packages/${1}_${version}_${arch}.deb"; }
library=$(deb "$library_package")
development=$(deb libtesk-dev)
command=$(deb tesk)
desktop=$(deb tesk-desktop)
debs=("$library" "$development" "$command")
[ "$TESK_GUI" = ON ] && debs+=("$desktop")
for f in "${debs[@]}"; do expect_file "$f"; done
for f in "${debs[@]}"; do [ -f "$f" ] || { finish; exit 1; }; done

field() { dpkg-deb -f "$1" "$2"; }
# Depends of a package must name each of the rest.
expect_depends() {
    local deb=$1 depends
    shift
    depends=$(field "$deb" Depends)
    for needed in "$@"; do
        grep -qF "$needed" <<<"$depends" || fail "$(basename "$deb") does not depend on $needed (Depends: $depends)"
    done
}
synopses=()
for f in "${debs[@]}"; do
    expect_equal "$(field "$f" Version)" "$version" "version of $(basename "$f")"
    expect_equal "$(field "$f" Source)" tesk "source of $(basename "$f")"
    synopses+=("$(field "$f" Description | head -n 1)")
    # Nothing may be in two packages, or dpkg would refuse to install the second.
    dpkg-deb -c "$f" | awk '$1 !~ /^d/ {print $6}' >>"$scratch/all-files"
done
expect_equal "$(printf '%s\n' "${synopses[@]}" | sort -u | wc -l)" "${#debs[@]}" "distinct synopses (${synopses[*]})"
both=$(sort "$scratch/all-files" | uniq -d)
[ -z "$both" ] || fail "files in two packages: $both"

# The C++ runtime from the binaries, and the image library the library loads at run time.
expect_depends "$library" libc6 libstdc++6 libfreeimage3
expect_depends "$development" "$library_package (= $version)"
expect_depends "$command" libc6 libfreeimage3
[ "$TESK_GUI" = ON ] && expect_depends "$desktop" "$library_package (= $version)" libqt6widgets6
# The library and the command run without Qt: only the desktop package (with the module) needs it.
for f in "$library" "$command"; do
    ! field "$f" Depends | grep libqt >/dev/null || fail "$(basename "$f") depends on Qt: $(field "$f" Depends)"
done
[ "$TESK_GUI" = ON ] && { dpkg-deb -c "$desktop" | grep '/tesk/libtesk-qt\.so$' >/dev/null || fail "tesk-desktop holds no libtesk-qt.so"; }
# No maintainer scripts (a postrm would keep a removed package in state "rc"); the library's
# loader cache is updated by the ldconfig trigger instead.
for f in "${debs[@]}"; do
    scripts=$(dpkg-deb --ctrl-tarfile "$f" | tar -t | grep -E 'preinst|postinst|prerm|postrm')
    [ -z "$scripts" ] || fail "$(basename "$f") has maintainer scripts: $scripts"
done
dpkg-deb -e "$library" "$scratch/control"
expect_equal "$(cat "$scratch/control/triggers" 2>/dev/null)" "activate-noawait ldconfig" "triggers of $library_package"

dpkg -x "$library" "$scratch/root"
# The symbols file lists exactly what the library exports, no more and no less.
mkdir -p "$scratch/symbols/debian"
printf 'Source: tesk\n\nPackage: %s\nArchitecture: any\n' "$library_package" >"$scratch/symbols/debian/control"
(cd "$scratch/symbols" && dpkg-gensymbols -c4 -q -p"$library_package" -v"$version" -P"$scratch/root" \
    -I"$scratch/control/symbols" -O"$scratch/symbols/generated") >"$scratch/symbols.log" 2>&1 ||
    { cat "$scratch/symbols.log" >&2; fail "the symbols file of $library_package does not match the library"; }

# What a maintainer runs: every error and warning fails, the informational tags are shown.
if command -v lintian >/dev/null; then
    lintian --fail-on error,warning --display-info --tag-display-limit 0 "${debs[@]}" >"$scratch/lintian.log" 2>&1 ||
        fail "lintian reports errors or warnings (E: and W: below)"
    echo "lintian (informational tags shown):"
    cat "$scratch/lintian.log"
    # The binaries are built hardened (TESK_HARDENING); lintian's hardening tags say a flag was lost.
    if grep -q 'hardening-' "$scratch/lintian.log"; then
        fail "lintian finds binaries built without hardening (hardening- tags above)"
    fi
else
    fail "lintian is not installed (scripts/install-deps.sh installs it)"
fi

for f in "${debs[@]}"; do dpkg -x "$f" "$scratch/root"; done
check_layout "$scratch/root/usr" "$TESK_GUI"
check_command "$scratch/root/usr" "$scratch/out"
libs=$(PKG_CONFIG_PATH="$scratch/root/usr/$TESK_LIBDIR/pkgconfig" pkg-config --libs tesk) || fail "pkg-config --libs tesk failed"
grep -q -- '-ltesk' <<<"$libs" || fail "pkg-config --libs tesk gives '$libs'"
for f in "${debs[@]}"; do
    p=$(field "$f" Package)
    expect_file "$scratch/root/usr/share/doc/$p/copyright"
    expect_file "$scratch/root/usr/share/doc/$p/changelog.Debian.gz"
done

# dpkg -i, -r and -P for real, in a copy-on-write view of this system that vanishes afterwards.
if [ "$(id -u)" -eq 0 ] && command -v unshare >/dev/null; then
    unshare --mount bash "$here/dpkg_in_overlay.sh" "$scratch" "${debs[@]}"
    case $? in
        0) ;;
        77) echo "dpkg -i skipped: no overlay file system in a private mount namespace here" ;;
        *) fail "installing, removing and purging with dpkg" ;;
    esac
else
    echo "dpkg -i skipped: needs root and unshare for a throw-away view of the system"
fi
finish
