#!/usr/bin/env bash
# The sub-rooms of render/ are read in one order, each standing only on those before it:
#   types -> pipeline -> device -> d3dx
# Fails, naming the file and the line, when a file includes a sub-room that comes after its own
# (or one not in the list), which is how a circle of calls starts.
# Usage: sub_room_order.sh <render folder>
set -euo pipefail
render=${1:?usage: sub_room_order.sh <render folder>}
order=(types pipeline device d3dx)
rank() {
  local i
  for i in "${!order[@]}"; do [ "${order[$i]}" = "$1" ] && { echo "$i"; return; }; done
  echo -1
}
bad=0
for folder in "$render"/*/; do
  room=$(basename "$folder")
  own=$(rank "$room")
  if [ "$own" -lt 0 ]; then
    echo "render/$room: a sub-room not in the order (${order[*]})"
    bad=1
    continue
  fi
  while IFS=: read -r file line text; do
    used=$(sed -n 's|.*#include "render/\([^/]*\)/.*|\1|p' <<<"$text")
    if [ "$(rank "$used")" -gt "$own" ] || [ "$(rank "$used")" -lt 0 ]; then
      echo "${file#"$render"/}:$line: render/$room includes render/$used: $text"
      bad=1
    fi
  done < <(grep -Hn '#include "render/' "$folder"* || true)
done
exit $bad
