#!/usr/bin/env bash
# Builds everything and runs every test. Exits non-zero on any failure.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
"$root/scripts/build.sh"
build="${BUILD_DIR:-$root/build}"
export QT_QPA_PLATFORM=offscreen
# The automation tests need a session bus of their own.
exec dbus-run-session -- ctest --test-dir "$build" --output-on-failure --parallel "$(nproc)" --timeout 300
