#!/usr/bin/env bash
# The project's lint: clang-format (no file may change), clang-tidy over the build's own
# translation units and the engine's include layers (scripts/check_layers.sh). Every step runs;
# the script fails if any of them does.
#   scripts/lint.sh [--build DIR] [--jobs N] [--no-format] [--no-tidy]
#   scripts/lint.sh --format     rewrite the sources in the clang-format layout instead
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root" || exit 2

build=build jobs=2 format=1 tidy=1 apply=0
while [ $# -gt 0 ]; do
    case "$1" in
    --build) build=$2; shift ;;
    --jobs) jobs=$2; shift ;;
    --no-format) format=0 ;;
    --no-tidy) tidy=0 ;;
    --format) apply=1 ;;
    *) echo "lint.sh: unknown option $1" >&2; exit 2 ;;
    esac
    shift
done
clang_format=$(command -v clang-format || command -v clang-format-14) || { echo "lint.sh: no clang-format" >&2; exit 2; }
clang_tidy=$(command -v clang-tidy || command -v clang-tidy-14) || { echo "lint.sh: no clang-tidy" >&2; exit 2; }

# The project's own sources, as git knows them (nothing of a build folder).
sources() {
    git ls-files -- 'engine/*.cpp' 'engine/*.hpp' 'engine/*.h' 'cli/*.cpp' 'cli/*.hpp' \
        'icontool/*.cpp' 'icontool/*.hpp' 'installer/*.cpp' 'installer/*.hpp' \
        'tests/*.cpp' 'tests/*.hpp' 'fuzz/*.cpp' 'fuzz/*.hpp' 'bench/*.cpp' 'bench/*.hpp'
}

if [ $apply = 1 ]; then
    sources | xargs -r "$clang_format" -i
    exit
fi

status=0
if [ $format = 1 ]; then
    echo "lint.sh: clang-format" >&2
    if ! sources | xargs -r -P "$jobs" -n 16 "$clang_format" --dry-run -Werror; then
        echo "lint.sh: clang-format would change files above (make format rewrites them)" >&2
        status=1
    fi
fi

if [ $tidy = 1 ]; then
    database=$build/compile_commands.json
    if [ ! -f "$database" ]; then
        echo "lint.sh: no $database (build first: make build)" >&2
        exit 2
    fi
    start=$(date +%s)
    python3 scripts/tidy_units.py "$clang_tidy" "$build" "$root" "$jobs" || status=1
    echo "lint.sh: clang-tidy took $(( $(date +%s) - start )) s" >&2
fi

echo "lint.sh: include layers" >&2
bash scripts/check_layers.sh "$root" || status=1
exit $status
