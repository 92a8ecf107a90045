#!/usr/bin/env bash
# Try the installer's second stage without a real calendar installation or Palm Desktop.
#
# Lays out, in a fresh temporary folder:
#   opt/Oskery/Varnel/   the calendar's program folder with the sample templates (samples/installer)
#   PalmDesktop/         a stand-in Palm Desktop: Users.dat with two users ("Ann Lee" in LeeA,
#                        "Bob Smith" in SmithB) and their empty user folders
#   registry.reg         the registry file (REGEDIT4 text) naming that folder and "Ann Lee" as the
#                        current user; the installer reads it through VARNEL_REGISTRY
#   Documents/           the base folder proposed for standalone data
# and starts VarnelInstall-Part2 with "<program folder>/**<Documents>/" as its command line.
#
# Usage: scripts/try-installer.sh [BUILD_DIR]         (default: build)
#   TRY_INSTALLER_ROOT=/some/empty/folder   lay out there instead of a new temporary folder
#   TRY_INSTALLER_NO_START=1                only lay out and print the folder, do not start
#   TRY_INSTALLER_SCREENSHOT=file.png       start the installer on a virtual X display (xvfb-run),
#                                           save a picture of its window with ImageMagick, and stop it
# Afterwards the script lists every file in the tree, so the effect of a run can be seen.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$here/build}
program_bin=$build/bin/VarnelInstall-Part2
root=${TRY_INSTALLER_ROOT:-$(mktemp -d "${TMPDIR:-/tmp}/varnel-try-XXXXXX")}

program=$root/opt/Oskery/Varnel
palm=$root/PalmDesktop
mkdir -p "$program" "$palm/LeeA" "$palm/SmithB" "$root/Documents"
for f in "$here"/samples/installer/*; do
  [[ $(basename "$f") == README.md ]] || cp "$f" "$program/"
done

# Users.dat: little-endian numbers. Header: user count, class tag 0xFFFF, schema 1, class name.
# Each user: 4 skipped bytes, name and folder as length-prefixed strings, 2 skipped bytes, extra
# length 0, 2 + 2 skipped bytes, then a trailer (a class entry for the first user, a class
# reference for the second) ending in a conduit array closed by the bytes 1, 0x80.
str() { printf "\\$(printf '%03o' ${#1})%s" "$1"; }
{
  printf '\x02\x00\xff\xff\x01\x00\x09\x00CUserList'
  printf '\x10\x00\x00\x00'; str "Ann Lee"; str "LeeA"
  printf '\x01\x00\x00\x00\x00\x00\x00\x00'
  printf '\xff\xff\x01\x00\x09\x00CSyncUser\x00\x00\x00\x00\x02\x01\x80'
  printf '\x11\x00\x00\x00'; str "Bob Smith"; str "SmithB"
  printf '\x01\x00\x00\x00\x00\x00\x00\x00'
  printf '\x03\x80\x01\x00\x00\x00\x01\x80'
} > "$palm/Users.dat"

esc() { printf '%s' "$1" | sed 's/\\/\\\\/g; s/"/\\"/g'; }
{
  printf 'REGEDIT4\r\n\r\n'
  printf '[HKEY_CURRENT_USER\\Software\\U.S. Robotics\\Pilot Desktop\\Core]\r\n"Path"="%s"\r\n\r\n' "$(esc "$palm")"
  printf '[HKEY_CURRENT_USER\\Software\\U.S. Robotics\\Pilot Desktop\\Preferences]\r\n"DesktopUser"="Ann Lee"\r\n\r\n'
  printf '[HKEY_LOCAL_MACHINE\\SOFTWARE\\PalmSource\\Desktop\\Component1]\r\n"File0"="datebook.db"\r\n\r\n'
} > "$root/registry.reg"

echo "Trial tree: $root"
if [[ -n ${TRY_INSTALLER_SCREENSHOT:-} ]]; then
  shot=$(realpath -m "$TRY_INSTALLER_SCREENSHOT")
  # The window needs a moment to be mapped and painted before it can be captured.
  xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
    VARNEL_REGISTRY="$1/registry.reg" "$2" "$3/**$1/Documents/" 2>/dev/null & pid=$!
    sleep 3
    import -window "Varnel: Windows Setup, Part 2, V-1.9f" "$4"
    kill $pid' _ "$root" "$program_bin" "$program" "$shot"
  echo "Window picture: $shot"
elif [[ -z ${TRY_INSTALLER_NO_START:-} ]]; then
  if [[ ! -x $program_bin ]]; then
    echo "Build the program first: cmake -S . -B build -G Ninja && ninja -C build VarnelInstall-Part2" >&2
    exit 1
  fi
  VARNEL_REGISTRY=$root/registry.reg "$program_bin" "$program/**$root/Documents/" || true
  echo "Files now in $root:"
  (cd "$root" && find . -type f | sort)
fi
