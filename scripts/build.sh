#!/usr/bin/env bash
# Shared by run.sh and test.sh: set-up, configure and build into ./build.
# Arguments name the targets to build (run.sh: the program and what it loads); none builds all.
# BUILD_DIR picks another build folder; BUILD_JOBS limits the parallel compile jobs.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/scripts/install-deps.sh"
build="${BUILD_DIR:-$root/build}"
if [ ! -f "$build/build.ninja" ]; then
    launcher=()
    # ccache is optional: it only speeds up rebuilds in several checkouts.
    if command -v ccache >/dev/null; then
        launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
    fi
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" >/dev/null
fi
targets=()
for target in "$@"; do targets+=(--target "$target"); done
cmake --build "$build" --parallel "${BUILD_JOBS:-$(nproc)}" "${targets[@]}"
