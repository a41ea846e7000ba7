#!/usr/bin/env bash
# The map maker and what it stands on need nothing of the window program: mapcli/, settings/,
# stationmap/ and geo/ include nothing from app/, ui/ or render/, the rooms below the settings
# include nothing of them, and the built skerrowen-map holds no code of the window, its device
# or its renderer. Fails naming the file and line, or the symbols found.
# Usage: map_maker_stands_alone.sh <source folder> <skerrowen-map>
set -euo pipefail
source=${1:?usage: map_maker_stands_alone.sh <source folder> <skerrowen-map>}
program=${2:?usage: map_maker_stands_alone.sh <source folder> <skerrowen-map>}
bad=0
check() {  # check <rooms> <rooms they may not include>
  local room used
  for room in $1; do
    while IFS= read -r hit; do
      echo "$hit"
      bad=1
    done < <(cd "$source" && grep -rHnE "#include \"($2)/" "$room" || true)
  done
}
check "mapcli settings stationmap geo" "app|ui|render"
check "stationmap geo draw imagecodec mapout calc base" "settings|mapcli"
window=$(nm -C "$program" | grep -E ' (Program|FrmMain|GlobeRenderer|Direct3DDevice8|Direct3D8)::' | head -n 5 || true)
if [ -n "$window" ]; then
  echo "$program holds code of the window program:"
  echo "$window"
  bad=1
fi
exit $bad
