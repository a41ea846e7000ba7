#!/usr/bin/env bash
# Builds the .x loader's fuzz target with clang and runs it: tests/fuzz/run-fuzz.sh [SECONDS]
# Starts from the kept corpus: the hand-written seeds in tests/fuzz/corpus and, in its found/,
# the minimised inputs of earlier long runs (kept up to date with
#   xfile_fuzz -merge=1 tests/fuzz/corpus/found tests/fuzz/corpus <the long run's corpus>).
# Anything found fails the run and is written to <build>/fuzz-findings/, where <build> is
# $FUZZ_BUILD_DIR or build-fuzz.
# SKERROWEN_WERROR=ON makes compiler warnings fail its build.
set -euo pipefail
seconds=${1:-60}
root=$(cd "$(dirname "$0")/../.." && pwd)
build="${FUZZ_BUILD_DIR:-$root/build-fuzz}"
CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DSKERROWEN_FUZZ=ON -DSKERROWEN_WERROR="${SKERROWEN_WERROR:-OFF}" >/dev/null
cmake --build "$build" --target xfile_fuzz -j 2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$build/fuzz-findings"
"$build/tests/fuzz/xfile_fuzz" -dict="$root/tests/fuzz/xfile.dict" -max_total_time="$seconds" \
  -rss_limit_mb=2048 -timeout=10 -print_final_stats=1 -artifact_prefix="$build/fuzz-findings/" \
  "$work" "$root/tests/fuzz/corpus"
