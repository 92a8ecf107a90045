#!/usr/bin/env bash
# Installs every Debian package the project needs to build, test and package.
# Idempotent: asks dpkg first and calls apt-get only for what is missing.
# Options: --with-windows adds the mingw-w64 cross compilers (the posix-thread ones the Windows
#          build uses: 234 MB to download, 1.4 GB installed with wine64), zlib built for them
#          (libspng, which the Windows build compiles from source, needs it) and wine64 to run the
#          Windows tests; make windows and make check-windows install them this way, and CI
#          (.ci/run) always does.
#          --with-browser is accepted for older scripts: Chromium is now always installed.
set -euo pipefail

packages=(
  # build
  build-essential cmake ninja-build pkg-config git
  # engine and tools
  libfreeimage-dev libspng-dev libfmt-dev libcli11-dev nlohmann-json3-dev
  # archives as inputs of the command
  libarchive-dev
  # GUI programs
  qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins libqt6test6 libgl-dev
  # tests, benchmarks and the independent Palm bitmap codec; the validator of the summary's schema
  libgtest-dev libgmock-dev libbenchmark-dev netpbm libpng-dev python3-jsonschema
  # the gallery rendering test (make check) and peak memory in bench/compare.sh
  chromium time
  # fuzzing and sanitizers
  clang libclang-rt-14-dev
  # lint (scripts/lint.sh)
  clang-format clang-tidy
  # screenshots
  xvfb xauth imagemagick
  # docs and packaging
  help2man desktop-file-utils dpkg-dev file lintian
)

for arg in "$@"; do
  case "$arg" in
    --with-browser) ;;
    --with-windows) packages+=(g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix libz-mingw-w64-dev wine64) ;;
    *) echo "install-deps.sh: unknown option $arg" >&2; exit 2 ;;
  esac
done

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

sudo=()
if [ "$(id -u)" -ne 0 ]; then sudo=(sudo); fi
export DEBIAN_FRONTEND=noninteractive
echo "install-deps.sh: installing ${missing[*]}" >&2
"${sudo[@]}" apt-get update -q
"${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
