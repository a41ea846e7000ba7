#!/usr/bin/env bash
# Runs every end-to-end test (tests/e2e/test_*.sh) against a build tree.
set -uo pipefail
build=$(cd "${1:?usage: run-all.sh BUILD-DIR}" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
passed=0
failed=0
for test in "$here"/test_*.sh; do
  name=$(basename "$test" .sh)
  if BUILD="$build" timeout 300 bash "$test"; then
    passed=$((passed + 1))
  else
    echo "end-to-end test $name failed"
    failed=$((failed + 1))
  fi
done
echo "e2e: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
