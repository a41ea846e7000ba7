#!/usr/bin/env bash
# Installs what is missing, builds Skerrowen with its default data, and starts it in
# build/maps (where "earthmap.bmp" lies and the maps, the log and nothing else are written).
set -euo pipefail
root=$(cd "$(dirname "$0")" && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" build -DSKERROWEN_BENCH=OFF
cd "$root/build/maps"
if [ -n "${DISPLAY:-}" ]; then
  exec ../skerrowen
fi
exec "$root/scripts/headless-demo.sh" "$root/build"
