#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each one for a bounded time, starting
# from its committed seed corpus (fuzz/corpus/<target>). Any finding - a crash, a sanitizer
# report, a broken invariant, a leak, an input that hangs - fails the script; the input
# that caused it is kept in <build>/fuzz-findings/ for the regression test
# (tests/fuzz/regressions/<target>/).
#
#   tools/fuzz-ci.sh                 every target, VORN_FUZZ_SECONDS (60) seconds each
#   tools/fuzz-ci.sh compiler link   only these targets
#
# Environment: VORN_FUZZ_SECONDS, VORN_FUZZ_BUILD (build folder, default build-fuzz).
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${VORN_FUZZ_SECONDS:-60}"
build="${VORN_FUZZ_BUILD:-build-fuzz}"
all=(compiler keymap link report_descriptor version_block)
if [ "$#" -gt 0 ]; then targets=("$@"); else targets=("${all[@]}"); fi

./tools/deps.sh
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DVORN_BUILD_FUZZ=ON -DVORN_BUILD_GUI=OFF \
    -DVORN_BUILD_TESTS=OFF -DVORN_BUILD_BENCH=OFF
cmake --build "$build" --target "${targets[@]/#/fuzz_}"

findings="$build/fuzz-findings"
mkdir -p "$findings"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

for target in "${targets[@]}"; do
    echo "== fuzz_$target for ${seconds} s"
    # New inputs go to a scratch corpus; the committed seeds stay as they are.
    mkdir -p "$work/$target"
    if ! "$build/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=25 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$findings/$target-" \
        "$work/$target" "fuzz/corpus/$target"; then
        echo "fuzz_$target found a fault; the input is in $findings/" >&2
        exit 1
    fi
done
