#!/usr/bin/env bash
# The station map with coasts and borders against GMT drawing them: Europe around Berlin at
# 3340 km on 1182 pixels (10 cm at 300 dpi), GMT with its fastest, low-resolution coasts, each
# as a whole process, the medians of RUNS runs (default 5) of wall and processor time; ours
# after one run that prepares the outlines' copy and keeps the decoded picture, as every map
# after the first finds them. Then the country outlines' own share of such a map (the Google
# Benchmark country_outlines_bench: the prepared copy loaded from the cache, the pieces chosen,
# projected and simplified). Needs gmt, gmt-gshhg-low and ghostscript (GMT makes its PNG
# through it). Not run by CI.
# Usage: bench/countries_vs_gmt.sh [BUILD-DIR] [RUNS]
set -euo pipefail
bench_dir=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-build}" && pwd)
runs=${2:-5}
for tool in gmt gs; do
  command -v "$tool" >/dev/null || { echo "needs $tool (gmt, gmt-gshhg-low, ghostscript)" >&2; exit 1; }
done
source "$bench_dir/process_times.sh"
work=$(bench_work_dir)
trap 'rm -rf "$work"' EXIT
cd "$work"
export GMT_USERDIR="$work/gmt" GMT_SESSION_NAME=$$
export XDG_CACHE_HOME="$work/cache" XDG_CONFIG_HOME="$work/config"
map="$build/skerrowen-map"
[ -x "$map" ] && [ -f "$build/earth.jpg" ] || { echo "build skerrowen-map first" >&2; exit 1; }

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.1f", a / b }'; }

gmt=(gmt coast -JE13.4/52.5/10c -R-3340/3340/-3340/3340+uk -Dl -W0.5p -N1/0.5p -png out)
ours=("$map" --centre 52.5,13.4 --radius 3340 --size 1182 --image "$build/earth.jpg" --countries --out ours.bmp)
"${ours[@]}" >/dev/null 2>&1 || { echo "failed: ${ours[*]}" >&2; exit 1; }
echo "Machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), load $(cut -d' ' -f1-3 /proc/loadavg)"
# The two take turns, so that both meet the same load of a shared machine.
gmt_walls=() gmt_cpus=() our_walls=() our_cpus=()
for _ in $(seq "$runs"); do
  time_once gmt_walls gmt_cpus "${gmt[@]}"
  time_once our_walls our_cpus "${ours[@]}"
done
gmt_wall=$(median "${gmt_walls[@]}") gmt_cpu=$(median "${gmt_cpus[@]}")
our_wall=$(median "${our_walls[@]}") our_cpu=$(median "${our_cpus[@]}")
echo "${gmt[*]}"
echo "  ($(file -b out.png | cut -d, -f2 | sed 's/^ //')), medians of $runs runs: wall $gmt_wall ms, processor $gmt_cpu ms"
echo "$(basename "$map") --centre 52.5,13.4 --radius 3340 --size 1182 --countries --out ours.bmp"
echo "  medians of $runs runs: wall $our_wall ms, processor $our_cpu ms"
echo "GMT / ours: wall $(ratio "$gmt_wall" "$our_wall")x, processor $(ratio "$gmt_cpu" "$our_cpu")x (at least 5x asked)"
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
echo
if [ -x "$build/bench/country_outlines_bench" ]; then
  "$build/bench/country_outlines_bench" --benchmark_repetitions="$runs" --benchmark_report_aggregates_only=true \
    --benchmark_filter='Cache|Outline' 2>/dev/null | grep -E '^(Benchmark|BM_.*_median)'
else
  echo "(build the benchmark country_outlines_bench for the outlines' share)"
fi
