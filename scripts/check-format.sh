#!/usr/bin/env bash
# Checks that every tracked C++ file is laid out as .clang-format says, without changing
# any; names each file that is not. Fix one with: clang-format -i FILE
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files '*.cpp' '*.h')
[ ${#files[@]} -gt 0 ] || { echo "check-format: no C++ files found (not a git checkout?)" >&2; exit 1; }
bad=()
for f in "${files[@]}"; do
  clang-format --dry-run --Werror "$f" >/dev/null 2>&1 || bad+=("$f")
done
if [ ${#bad[@]} -gt 0 ]; then
  printf '  %s\n' "${bad[@]}"
  echo "check-format: ${#bad[@]} of ${#files[@]} files differ from .clang-format (clang-format -i FILE)" >&2
  exit 1
fi
echo "check-format: all ${#files[@]} files follow .clang-format"
