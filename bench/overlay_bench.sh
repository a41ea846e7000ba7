#!/usr/bin/env bash
# Times skerrowen-map with every overlay against the same map without them, each as a whole
# process (the medians of RUNS runs, default 5, of wall and processor time, the maps taking
# turns, after one run that prepares the outlines' copy and keeps the decoded picture): 8192 pixels around
# JO62qm at 3340 km with coasts and borders, DXCC prefixes, the Maidenhead fields, rings
# every 1000 km, spokes every 10 degrees, a 10-degree grid, a target and the grey line; the
# map with the grey line alone as well, as its night side is more than lines. Then the peak
# memory of the pair at 16384 pixels (left out with NO_PEAK=1). Not run by CI.
# Usage: bench/overlay_bench.sh [BUILD-DIR] [RUNS]
set -euo pipefail
bench_dir=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-build}" && pwd)
runs=${2:-5}
map="$build/skerrowen-map"
picture="$build/earth.jpg"
[ -x "$map" ] && [ -f "$picture" ] || { echo "build skerrowen-map first" >&2; exit 1; }
command -v /usr/bin/time >/dev/null || { echo "needs /usr/bin/time (time)" >&2; exit 1; }
source "$bench_dir/process_times.sh"
work=$(bench_work_dir)
trap 'rm -rf "$work"' EXIT
cd "$work"
export XDG_CONFIG_HOME="$work" XDG_CACHE_HOME="$work/cache"

common=(--centre 52.5208,13.375 --radius 3340 --image "$picture" --out map.bmp)
greyLine=(--time 2026-03-20T06:00:00Z)
overlays=(--countries --prefixes --fields --rings 1000 --spokes 10 --grid 10 --target FN31pr "${greyLine[@]}")

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

peak_mb() {
  /usr/bin/time -f '%M' "$@" 2>&1 >/dev/null | tail -1 | awk '{ printf "%.0f", $1 / 1024 }'
}

echo "$(basename "$map"), load before: $(cut -d' ' -f1-3 /proc/loadavg)"
"$map" "${common[@]}" --size 8192 "${overlays[@]}" >/dev/null 2>&1 || { echo "the marked map failed" >&2; exit 1; }
# The three take turns, so that all meet the same load of a shared machine.
plain_walls=() plain_cpus=() grey_walls=() grey_cpus=() marked_walls=() marked_cpus=()
for _ in $(seq "$runs"); do
  time_once plain_walls plain_cpus "$map" "${common[@]}" --size 8192
  time_once grey_walls grey_cpus "$map" "${common[@]}" --size 8192 "${greyLine[@]}"
  time_once marked_walls marked_cpus "$map" "${common[@]}" --size 8192 "${overlays[@]}"
done
plain_wall=$(median "${plain_walls[@]}") plain_cpu=$(median "${plain_cpus[@]}")
grey_wall=$(median "${grey_walls[@]}") grey_cpu=$(median "${grey_cpus[@]}")
marked_wall=$(median "${marked_walls[@]}") marked_cpu=$(median "${marked_cpus[@]}")
echo "8192 px, wall / processor ms: plain $plain_wall / $plain_cpu, grey line alone $grey_wall / $grey_cpu," \
  "every overlay $marked_wall / $marked_cpu"
echo "  every overlay / plain: wall $(ratio "$marked_wall" "$plain_wall"), processor $(ratio "$marked_cpu" "$plain_cpu");" \
  "/ grey line alone: wall $(ratio "$marked_wall" "$grey_wall"), processor $(ratio "$marked_cpu" "$grey_cpu")"
if [ "${NO_PEAK:-0}" != 1 ]; then
  plain_peak=$(peak_mb "$map" "${common[@]}" --size 16384)
  marked_peak=$(peak_mb "$map" "${common[@]}" --size 16384 "${overlays[@]}")
  echo "16384 px peak: plain $plain_peak MB, every overlay $marked_peak MB, $((marked_peak - plain_peak)) MB more"
fi
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
