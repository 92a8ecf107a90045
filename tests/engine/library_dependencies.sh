#!/usr/bin/env bash
# libtesk.so needs no Qt library (its host may have none); the Qt module it opens does.
set -uo pipefail
needed() { readelf -d "$1" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p'; }
status=0
library=$(needed "$1") module=$(needed "$2")
if grep -i 'qt' <<<"$library"; then
    echo "FAIL: $1 needs the Qt libraries above" >&2
    status=1
fi
if ! grep -qx 'libQt6Widgets.so.6' <<<"$module"; then
    echo "FAIL: $2 does not need libQt6Widgets.so.6 (it needs: $module)" >&2
    status=1
fi
exit $status
