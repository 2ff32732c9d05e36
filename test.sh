#!/usr/bin/env bash
# Builds everything and runs every test. Exits non-zero on any failure.
# When clang is there, the fuzz targets (tests/fuzz) are built too and each replays its corpus
# and a few thousand mutations of it (scripts/fuzz.sh).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
"$root/scripts/build.sh"
build="${BUILD_DIR:-$root/build}"
fuzz_build=""
if command -v clang++ >/dev/null; then
    "$root/scripts/fuzz.sh" --build
    fuzz_build="${FUZZ_BUILD_DIR:-$root/build-fuzz}"
fi
export QT_QPA_PLATFORM=offscreen
# The automation tests need a session bus of their own.
status=0
dbus-run-session -- ctest --test-dir "$build" --output-on-failure --parallel "$(nproc)" --timeout 300 || status=$?
if [ -n "$fuzz_build" ]; then
    ctest --test-dir "$fuzz_build" --output-on-failure --parallel "$(nproc)" --timeout 120 || status=$?
fi
exit "$status"
