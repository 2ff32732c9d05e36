#!/usr/bin/env bash
# Builds the program and starts it; "./run.sh demo" starts it against the built-in demo ECU.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
"$root/scripts/build.sh"
build="${BUILD_DIR:-$root/build}"
program="$build/bin/KeltDiag"
if [ ! -x "$program" ]; then
    echo "The build is complete, but there is no program to start yet: the main window is not built."
    exit 0
fi
exec "$program" "$@"
