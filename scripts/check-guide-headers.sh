#!/usr/bin/env bash
# Usage: check-guide-headers.sh GUIDE INCLUDE_DIR
# Every header GUIDE names (app/app.h, draw/draw.h, windows.h, ...) must be installed in
# INCLUDE_DIR, the engine's include folder, or in its platform/ folder of API headers.
set -euo pipefail
guide=$1
include=$2
names=$(grep -oE '\b[A-Za-z0-9_]+(/[A-Za-z0-9_]+)*\.h\b' "$guide" | sort -u)
[ -n "$names" ] || { echo "check-guide-headers: $guide names no header" >&2; exit 1; }
missing=0
for name in $names; do
    if [ ! -f "$include/$name" ] && [ ! -f "$include/platform/$name" ]; then
        echo "check-guide-headers: $guide names $name, which is not installed in $include" >&2
        missing=1
    fi
done
exit $missing
