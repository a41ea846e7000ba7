#!/usr/bin/env bash
# Times skerrowen-map with overlays against the same map without them, each as a whole
# process (the median of RUNS runs, default 5): 8192 pixels around JO62qm at 3340 km with
# rings every 1000 km, spokes every 10 degrees, a 10-degree grid and a target. Then the peak
# memory of the same pair at 16384 pixels (left out with NO_PEAK=1). Not run by CI.
# Usage: bench/overlay_bench.sh [BUILD-DIR] [RUNS]
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
runs=${2:-5}
map="$build/skerrowen-map"
picture="$build/earth.jpg"
[ -x "$map" ] && [ -f "$picture" ] || { echo "build skerrowen-map first" >&2; exit 1; }
command -v /usr/bin/time >/dev/null || { echo "needs /usr/bin/time (time)" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
export XDG_CONFIG_HOME="$work"

common=(--centre 52.5208,13.375 --radius 3340 --image "$picture" --out map.bmp)
overlays=(--rings 1000 --spokes 10 --grid 10 --target FN31pr)

median_ms() {
  local times=()
  for _ in $(seq "$runs"); do
    local start end
    start=$(date +%s%N)
    "$@" >/dev/null 2>&1
    end=$(date +%s%N)
    times+=($(((end - start) / 1000000)))
  done
  printf '%s\n' "${times[@]}" | sort -n | sed -n "$(((runs + 1) / 2))p"
}

peak_mb() {
  /usr/bin/time -f '%M' "$@" 2>&1 >/dev/null | tail -1 | awk '{ printf "%.0f", $1 / 1024 }'
}

echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
plain=$(median_ms "$map" "${common[@]}" --size 8192)
marked=$(median_ms "$map" "${common[@]}" --size 8192 "${overlays[@]}")
echo "8192 px: plain ${plain} ms, with overlays ${marked} ms, ratio $(awk -v a="$marked" -v b="$plain" 'BEGIN { printf "%.2f", a / b }')"
if [ "${NO_PEAK:-0}" != 1 ]; then
  echo "16384 px peak: plain $(peak_mb "$map" "${common[@]}" --size 16384) MB," \
    "with overlays $(peak_mb "$map" "${common[@]}" --size 16384 "${overlays[@]}") MB"
fi
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
