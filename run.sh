#!/usr/bin/env bash
# Builds the program and starts it: "./run.sh demo" against the built-in demo ECU, "./run.sh"
# against a real diagnostic interface. Further arguments go to the program.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
# Only the program: its libraries (libdiagdr32.so, libkeltplatform.so) and the demo data beside it
# come with it; the tests are built by ./test.sh. With KELT_SIM_USB set the program is to load
# the simulated interface's USB library, so that is built too.
targets=(Tarvik)
if [ -n "${KELT_SIM_USB:-}" ]; then targets+=(ndiusb3_sim); fi
"$root/scripts/build.sh" "${targets[@]}"
build="${BUILD_DIR:-$root/build}"
program="$build/bin/Tarvik"
if [ ! -x "$program" ]; then
    echo "run.sh: the build finished without $program" >&2
    exit 1
fi
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    echo "run.sh: no desktop found (DISPLAY and WAYLAND_DISPLAY are empty); start it from a desktop session." >&2
    exit 1
fi
exec "$program" "$@"
