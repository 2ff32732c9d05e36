#!/usr/bin/env bash
# The libFuzzer targets of tests/fuzz, built with clang into their own folder (./build-fuzz).
#
#   scripts/fuzz.sh [target] [seconds]   fuzzes one target (e.g. fuzz_pkd) or all (default) for
#                                        `seconds` each (default 600); FUZZ_JOBS targets at once
#   scripts/fuzz.sh --build              only configures and builds them (./test.sh does this)
#
# New inputs are kept in build-fuzz/corpus/<target> and used again by the next run; the seeds in
# tests/fuzz/corpus/<target> are only read. An input that breaks a target is written into the
# seed folder as crash-<hash> (leak-, timeout-, oom- likewise), so the test suite's replay fails
# on it until the fault is fixed: commit it with the fix. FUZZ_BUILD_DIR picks another folder,
# BUILD_JOBS limits the compile jobs.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${FUZZ_BUILD_DIR:-$root/build-fuzz}"

if ! command -v clang++ >/dev/null; then
    echo "clang++ is missing: scripts/install-deps.sh installs it" >&2
    exit 1
fi
if [ ! -f "$build/build.ninja" ]; then
    launcher=()
    if command -v ccache >/dev/null; then
        launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
    fi
    CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DKELT_FUZZ=ON \
        -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" >/dev/null
fi
cmake --build "$build" --parallel "${BUILD_JOBS:-$(nproc)}"
[ "${1:-}" = "--build" ] && exit 0

seconds="${2:-600}"
if [ -n "${1:-}" ] && [ "$1" != "all" ]; then
    targets=("$1")
else
    targets=()
    for source in "$root"/tests/fuzz/fuzz_*.cpp; do targets+=("$(basename "$source" .cpp)"); done
fi

run() {
    local target="$1" seconds="$2" root="$3" build="$4"
    local seeds="$root/tests/fuzz/corpus/$target" work="$build/corpus/$target"
    mkdir -p "$work" "$seeds"
    local start=$SECONDS status=0
    "$build/bin/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$seeds/" "$work" "$seeds" \
        >"$build/$target.log" 2>&1 || status=$?
    echo "$target: $((SECONDS - start)) s, exit $status ($(grep -m1 -oE '^stat::number_of_executed_units: *[0-9]+' "$build/$target.log" | grep -oE '[0-9]+$' || echo '?') inputs; log $build/$target.log)"
    return "$status"
}
export -f run
printf '%s\n' "${targets[@]}" |
    xargs -P "${FUZZ_JOBS:-1}" -I{} bash -c 'run "$@"' _ {} "$seconds" "$root" "$build"
