#!/usr/bin/env bash
# cmake --install into a scratch prefix; the files land where a Linux user expects them, and
# programs outside the project build against the library through pkg-config and find_package.
set -uo pipefail
. "$(dirname "$0")/checks.sh"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
prefix="$scratch/prefix"

cmake --install "$TESK_BUILD" --prefix "$prefix" >"$scratch/install.log" 2>&1 || { cat "$scratch/install.log"; exit 1; }
check_layout "$prefix" "$TESK_GUI"
check_command "$prefix" "$scratch/out-command"

export PKG_CONFIG_PATH="$prefix/$TESK_LIBDIR/pkgconfig"
expect_equal "$(pkg-config --modversion tesk)" "$TESK_VERSION" "pkg-config version"
# shellcheck disable=SC2046
if cc -o "$scratch/by-pkg-config" "$TESK_CONSUMER/extract_sample.c" $(pkg-config --cflags --libs tesk); then
    mkdir -p "$scratch/out-pc"
    LD_LIBRARY_PATH="$prefix/$TESK_LIBDIR" "$scratch/by-pkg-config" "$TESK_SAMPLE" "$scratch/out-pc" ||
        fail "the program built with pkg-config failed"
    ls "$scratch/out-pc"/*.bmp >/dev/null 2>&1 || fail "the program built with pkg-config wrote no image"
else
    fail "a program cannot be built with pkg-config --cflags --libs tesk"
fi

if cmake -S "$TESK_CONSUMER" -B "$scratch/consumer" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" >"$scratch/consumer.log" 2>&1 &&
   cmake --build "$scratch/consumer" >>"$scratch/consumer.log" 2>&1; then
    mkdir -p "$scratch/out-cmake"
    # The imported target carries the library's full path, so the program finds it without help.
    out=$("$scratch/consumer/extract_sample" "$TESK_SAMPLE" "$scratch/out-cmake") || fail "the program built with CMake failed"
    expect_equal "$out" "tesk $TESK_VERSION: status 0" "program built with find_package(tesk)"
else
    cat "$scratch/consumer.log" >&2
    fail "a program cannot be built with find_package(tesk)"
fi
finish
