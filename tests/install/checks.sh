# Shared checks of the install and package tests: every failed check is printed, and the test
# fails at the end when any did.
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
expect_file() { [ -f "$1" ] && [ ! -L "$1" ] || fail "no regular file $1"; }
expect_executable() { [ -f "$1" ] && [ -x "$1" ] || fail "no executable $1"; }
# A relative symbolic link with exactly this target, and it must resolve.
expect_link() {
    if [ ! -L "$1" ]; then fail "no link $1"; return; fi
    [ "$(readlink "$1")" = "$2" ] || fail "$1 points to $(readlink "$1"), not $2"
    [ -e "$1" ] || fail "$1 dangles"
}
expect_equal() { [ "$1" = "$2" ] || fail "$3: got '$1', expected '$2'"; }
finish() {
    if [ "$failures" -ne 0 ]; then echo "$failures check(s) failed" >&2; exit 1; fi
    echo "all checks passed"
}

# The files both the install and the packages put below a prefix ($1); $2 = with the programs.
check_layout() {
    local root=$1 gui=$2 so="libtesk.so.$TESK_VERSION_MAJOR"
    expect_executable "$root/bin/tesk"
    expect_file "$root/$TESK_LIBDIR/libtesk.so.$TESK_VERSION"
    expect_link "$root/$TESK_LIBDIR/$so" "libtesk.so.$TESK_VERSION"
    expect_link "$root/$TESK_LIBDIR/libtesk.so" "$so"
    expect_file "$root/include/tesk/tesk.h"
    expect_file "$root/include/tesk/version.h"
    expect_file "$root/$TESK_LIBDIR/pkgconfig/tesk.pc"
    for f in teskConfig.cmake teskConfigVersion.cmake teskTargets.cmake; do
        expect_file "$root/$TESK_LIBDIR/cmake/tesk/$f"
    done
    expect_file "$root/share/man/man1/tesk.1.gz"
    if [ -f "$root/share/man/man1/tesk.1.gz" ]; then
        # The page must carry the subcommands' options, not only the short top-level help.
        zgrep -q -- '--recursive' "$root/share/man/man1/tesk.1.gz" || fail "man page lacks the extract options"
        zgrep -q -- 'interrupted (Ctrl' "$root/share/man/man1/tesk.1.gz" || fail "man page lacks the exit status table"
        # Complete without the project's files: the error numbers themselves, and every file it names
        # is installed.
        zgrep -q -- 'Subscript/Pointer out of range' "$root/share/man/man1/tesk.1.gz" || fail "man page lacks the error numbers"
        ! zgrep -q 'docs/' "$root/share/man/man1/tesk.1.gz" || fail "man page names the project's docs folder"
        for named in $(zcat "$root/share/man/man1/tesk.1.gz" | grep -o '/usr/share/doc/tesk/[A-Za-z0-9.\\-]*' | sed 's/\\//g' | sort -u); do
            expect_file "$root/${named#/usr/}"
        done
        zgrep -q 'errors.md lists' "$root/share/man/man1/tesk.1.gz" && expect_file "$root/share/doc/tesk/errors.md"
    fi
    if [ "$(readelf -d "$root/$TESK_LIBDIR/libtesk.so.$TESK_VERSION" | sed -n 's/.*Library soname: \[\(.*\)\]/\1/p')" != "$so" ]; then
        fail "libtesk.so.$TESK_VERSION does not carry the soname $so"
    fi
    [ "$gui" = ON ] || return 0
    local programs="$root/$TESK_PROGRAMDIR"
    expect_executable "$programs/VarnelIconTool"
    expect_executable "$programs/VarnelInstall-Part2"
    # The library's Qt windows: the module it opens from a "tesk" folder beside itself.
    expect_file "$root/$TESK_LIBDIR/tesk/libtesk-qt.so"
    # The icon tool opens programFolder + "/libtesk.so"; it must reach the one installed library.
    if [ -e "$programs/libtesk.so" ]; then
        # Relative, or it would lead out of a staging folder or a moved prefix.
        case "$(readlink "$programs/libtesk.so")" in /*) fail "$programs/libtesk.so is an absolute link" ;; esac
        [ "$(readlink -f "$programs/libtesk.so")" = "$(readlink -f "$root/$TESK_LIBDIR/libtesk.so.$TESK_VERSION")" ] ||
            fail "$programs/libtesk.so is not the installed library"
    else
        fail "no $programs/libtesk.so"
    fi
    # Program and desktop entry (with its icon): the installer's entry is named after what it does.
    for pair in VarnelIconTool:VarnelIconTool VarnelInstall-Part2:VarnelDataSetup; do
        local p=${pair%%:*} entry=${pair##*:}
        [ "$(readlink -f "$root/bin/$p")" = "$(readlink -f "$programs/$p")" ] || fail "bin/$p does not lead to the program"
        expect_file "$root/share/applications/$entry.desktop"
        desktop-file-validate "$root/share/applications/$entry.desktop" || fail "$entry.desktop is not valid"
        grep -qx "Exec=$p.*" "$root/share/applications/$entry.desktop" || fail "$entry.desktop does not start $p"
        expect_file "$root/share/icons/hicolor/scalable/apps/$entry.svg"
    done
    expect_file "$root/share/icons/hicolor/64x64/apps/VarnelIconTool.png"
    grep -qx 'MimeType=application/vnd.palm;' "$root/share/applications/VarnelIconTool.desktop" ||
        fail "the icon tool does not claim Palm databases"
    expect_file "$root/share/doc/tesk-desktop/icontool.html"
    expect_file "$root/share/man/man1/VarnelIconTool.1.gz"
    expect_file "$root/share/man/man1/VarnelInstall-Part2.1.gz"
}

# The installed command runs, reports the project's version and extracts the sample.
check_command() {
    local root=$1 out
    out=$(LD_LIBRARY_PATH="$root/$TESK_LIBDIR" "$root/bin/tesk" --version) || fail "tesk --version failed"
    expect_equal "$out" "tesk $TESK_VERSION" "tesk --version"
    mkdir -p "$2"
    LD_LIBRARY_PATH="$root/$TESK_LIBDIR" "$root/bin/tesk" extract "$TESK_SAMPLE" -o "$2" --format png >/dev/null ||
        fail "the installed tesk could not extract the sample"
    ls "$2"/*.png >/dev/null 2>&1 || fail "the installed tesk wrote no PNG image"
}
