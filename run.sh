#!/usr/bin/env bash
# Installs what is missing, builds Skerrowen with its default data, and starts it in
# build/maps (where "earthmap.bmp" lies and the maps, the log and nothing else are written);
# then makes one station map of the view there with skerrowen-map.
set -euo pipefail
root=$(cd "$(dirname "$0")" && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" build -DSKERROWEN_BENCH=OFF
cd "$root/build/maps"
if [ -n "${DISPLAY:-}" ]; then
  ../skerrowen || echo "Skerrowen ended with status $?."
else
  "$root/scripts/headless-demo.sh" "$root/build"
fi

echo
echo "A station map of the view the window shows now: range rings every 1000 km, bearing lines"
echo "every 30 degrees and the grey line of this moment."
../skerrowen-map --from-view --size 1024 --rings 1000 --spokes 30 --time now --out station_map.png
echo "Station map written in $root/build/maps: station_map.png, with its side file station_map.DAT."
