#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the unit tests, the same tests
# under AddressSanitizer and UndefinedBehaviorSanitizer, a short fuzzing run of the .x
# loader, and the end-to-end tests on a virtual X server.
set -euo pipefail
root=$(cd "$(dirname "$0")" && pwd)
cd "$root"
"$root/scripts/install-deps.sh"

echo "== build and unit tests"
scripts/build.sh build
ctest --test-dir build --output-on-failure -j 2

echo "== unit tests under AddressSanitizer and UndefinedBehaviorSanitizer"
scripts/build.sh build-asan -DSKERROWEN_SANITIZE=ON -DSKERROWEN_BENCH=OFF
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-asan --output-on-failure -j 2

if [ -x tests/fuzz/run-fuzz.sh ]; then
  echo "== fuzzing the .x loader"
  tests/fuzz/run-fuzz.sh "${FUZZ_SECONDS:-60}"
fi

if [ -x tests/e2e/run-all.sh ]; then
  echo "== end-to-end tests on a virtual X server"
  tests/e2e/run-all.sh "$root/build"
fi
echo "== the Debian package" && tests/package/test_package.sh "$root/build"
echo "All tests passed."
