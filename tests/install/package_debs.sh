#!/usr/bin/env bash
# Builds the Debian packages into a scratch folder, checks their control fields, unpacks them with
# dpkg -x into a scratch root and checks that the files land where stated and the command runs.
set -uo pipefail
. "$(dirname "$0")/checks.sh"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

(cd "$TESK_BUILD" && cpack -G DEB -B "$scratch/packages") >"$scratch/cpack.log" 2>&1 || { cat "$scratch/cpack.log"; exit 1; }

arch=$(dpkg --print-architecture)
library="$scratch/packages/tesk_${TESK_VERSION}_${arch}.deb"
desktop="$scratch/packages/tesk-desktop_${TESK_VERSION}_${arch}.deb"
expect_file "$library"
[ "$TESK_GUI" = ON ] && expect_file "$desktop"

field() { dpkg-deb -f "$1" "$2"; }
if [ -f "$library" ]; then
    expect_equal "$(field "$library" Package)" tesk "package name"
    expect_equal "$(field "$library" Version)" "$TESK_VERSION" "package version"
    # The C++ runtime from the binaries, and the image library the library loads at run time.
    depends=$(field "$library" Depends)
    for needed in libc6 libstdc++6 libfreeimage3; do
        grep -q "$needed" <<<"$depends" || fail "tesk does not depend on $needed (Depends: $depends)"
    done
    dpkg -x "$library" "$scratch/root"
fi
if [ "$TESK_GUI" = ON ] && [ -f "$desktop" ]; then
    expect_equal "$(field "$desktop" Package)" tesk-desktop "package name"
    depends=$(field "$desktop" Depends)
    grep -q "tesk (= $TESK_VERSION)" <<<"$depends" || fail "tesk-desktop does not depend on this tesk (Depends: $depends)"
    grep -q "libqt6widgets6" <<<"$depends" || fail "tesk-desktop does not depend on Qt (Depends: $depends)"
    # Nothing may be in both packages, or dpkg would refuse to install the second.
    both=$(comm -12 <(dpkg-deb -c "$library" | awk '$1 !~ /^d/ {print $6}' | sort) \
                    <(dpkg-deb -c "$desktop" | awk '$1 !~ /^d/ {print $6}' | sort))
    [ -z "$both" ] || fail "files in both packages: $both"
    dpkg -x "$desktop" "$scratch/root"
fi

check_layout "$scratch/root/usr" "$TESK_GUI"
check_command "$scratch/root/usr" "$scratch/out"
finish
