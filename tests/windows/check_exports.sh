#!/usr/bin/env bash
# The export tables of the cross-built tesk.dll files: the five entries under their plain names,
# and the 32-bit extrsrc is __stdcall with 13 four-byte arguments, so it removes 52 bytes from
# the stack on return (its import-library symbol is extrsrc@52 and its code ends in "ret $0x34").
#   check_exports.sh BUILD-WIN32 BUILD-WIN64      (either may be absent: its checks are skipped)
# Exit 77 (skipped) when neither build exists or the mingw binutils are missing; with
# TESK_WINDOWS_REQUIRED set (make check-windows), a missing build or tool fails instead.
set -uo pipefail
win32=$1
win64=$2
entries=(extrsrc PROGRESS_INIT PROGRESS_SET PROGRESS_SHUTDOWN PROGESS_IS_CANCELLED)
failures=0
checked=0

fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
required() { [ -n "${TESK_WINDOWS_REQUIRED:-}" ] && [ "$TESK_WINDOWS_REQUIRED" != 0 ]; }

# The names of the export table, one per line.
exported_names() {
  "$1" -p "$2" | awk '/\[Ordinal\/Name Pointer\] Table/ {on = 1; next} on && NF == 0 {on = 0} on {print $NF}'
}

check_table() {   # objdump dll label
  local names
  names=$(exported_names "$1" "$2")
  for e in "${entries[@]}"; do
    grep -qx "$e" <<<"$names" || fail "$3: $e is not exported under its plain name"
  done
  if grep -q '@' <<<"$names"; then fail "$3: decorated names in the export table: $(grep '@' <<<"$names" | tr '\n' ' ')"; fi
  echo "$3 exports: $(tr '\n' ' ' <<<"$names")"
}

if required; then
  for need in "$win32/bin/tesk.dll" "$win64/bin/tesk.dll"; do [ -f "$need" ] || fail "$need is missing"; done
  for need in i686-w64-mingw32-objdump x86_64-w64-mingw32-objdump i686-w64-mingw32-gcc; do
    command -v "$need" >/dev/null || fail "$need is not installed"
  done
fi

if [ -f "$win32/bin/tesk.dll" ] && command -v i686-w64-mingw32-objdump >/dev/null; then
  checked=1
  dll=$win32/bin/tesk.dll
  check_table i686-w64-mingw32-objdump "$dll" "32-bit"
  # Every return of extrsrc pops its 52 bytes of arguments.
  body=$(i686-w64-mingw32-objdump -d "$dll" | awk '/^[0-9a-f]+ <_extrsrc@52>:/ {on = 1; next} on && /^[0-9a-f]+ </ {on = 0} on')
  if [ -z "$body" ]; then
    fail "32-bit: no code labelled _extrsrc@52"
  else
    grep -q 'ret  *\$0x34' <<<"$body" || fail "32-bit: extrsrc has no 'ret \$0x34'"
    if grep -Eq 'ret *$' <<<"$body"; then fail "32-bit: extrsrc returns without removing its arguments"; fi
  fi
  implib=$(ls "$win32"/engine/libtesk.dll.a "$win32"/bin/libtesk.dll.a "$win32"/libtesk.dll.a 2>/dev/null | head -1)
  if [ -z "$implib" ]; then
    fail "32-bit: no import library libtesk.dll.a"
  else
    symbols=$(i686-w64-mingw32-nm "$implib")
    grep -q ' T _extrsrc@52$' <<<"$symbols" || fail "32-bit: the import library lacks _extrsrc@52"
    # A 32-bit program that declares the entries as the header does links against it.
    if command -v i686-w64-mingw32-gcc >/dev/null; then
      work=$(mktemp -d)
      printf '#include "tesk/tesk.h"\nint main(void) { return extrsrc(0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0) == 0 && PROGESS_IS_CANCELLED(0) == 0; }\n' >"$work/caller.c"
      i686-w64-mingw32-gcc -I"$(dirname "$0")/../../engine/include" "$work/caller.c" "$implib" -o "$work/caller.exe" \
        || fail "32-bit: a __stdcall caller does not link against the import library"
      rm -rf "$work"
    fi
  fi
fi

if [ -f "$win64/bin/tesk.dll" ] && command -v x86_64-w64-mingw32-objdump >/dev/null; then
  checked=1
  check_table x86_64-w64-mingw32-objdump "$win64/bin/tesk.dll" "64-bit"
fi

if [ "$checked" = 0 ] && [ "$failures" = 0 ]; then
  echo "no cross-built tesk.dll in $win32 or $win64 (make windows): skipped"
  exit 77
fi
[ "$failures" = 0 ] && echo "export tables as expected"
exit $((failures != 0))
