#!/usr/bin/env bash
# The budget of the station maps' country outlines: GMT drawing coasts and borders of Europe
# around Berlin at 3340 km on 1182 pixels (10 cm at 300 dpi) with its fastest, low-resolution
# coasts, as a whole process, the median of RUNS runs (default 5); then the country outlines'
# own share of such a map (the Google Benchmark country_outlines_bench: the prepared copy
# loaded from the cache, the pieces chosen, projected and simplified). Needs gmt,
# gmt-gshhg-low and ghostscript (GMT makes its PNG through it). Not run by CI.
# Usage: bench/countries_vs_gmt.sh [BUILD-DIR] [RUNS]
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
runs=${2:-5}
for tool in gmt gs; do
  command -v "$tool" >/dev/null || { echo "needs $tool (gmt, gmt-gshhg-low, ghostscript)" >&2; exit 1; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
export GMT_USERDIR="$work/gmt" GMT_SESSION_NAME=$$

# The medians of a command's wall time and of its processor time (user and system, its
# children included), in milliseconds: "WALL CPU". The command must succeed. On a shared
# machine the processor time is the steadier of the two.
medians_ms() {
  local walls=() cpus=()
  for _ in $(seq "$runs"); do
    /usr/bin/time -f '%e %U %S' -o times.txt "$@" >/dev/null 2>&1 || { echo "failed: $*" >&2; exit 1; }
    read -r wall user system <times.txt
    walls+=("$(awk "BEGIN { printf \"%d\", $wall * 1000 }")")
    cpus+=("$(awk "BEGIN { printf \"%d\", ($user + $system) * 1000 }")")
  done
  local middle=$(((runs + 1) / 2))
  echo "$(printf '%s\n' "${walls[@]}" | sort -n | sed -n "${middle}p") $(printf '%s\n' "${cpus[@]}" | sort -n | sed -n "${middle}p")"
}

echo "Machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), load $(cut -d' ' -f1-3 /proc/loadavg)"
read -r gmt_wall gmt_cpu < <(medians_ms gmt coast -JE13.4/52.5/10c -R-3340/3340/-3340/3340+uk -Dl -W0.5p -N1/0.5p -png out)
echo "gmt coast -JE13.4/52.5/10c -R-3340/3340/-3340/3340+uk -Dl -W0.5p -N1/0.5p -png out"
echo "  ($(file -b out.png | cut -d, -f2 | sed 's/^ //')), medians of $runs runs: wall $gmt_wall ms, processor $gmt_cpu ms"
echo "A map five times faster takes at most $((gmt_wall / 5)) ms wall, $((gmt_cpu / 5)) ms processor, the whole process."
echo
if [ -x "$build/bench/country_outlines_bench" ]; then
  "$build/bench/country_outlines_bench" --benchmark_repetitions="$runs" --benchmark_report_aggregates_only=true \
    --benchmark_filter='Cache|Outline' 2>/dev/null | grep -E '^(Benchmark|BM_.*_median)'
else
  echo "(build the benchmark country_outlines_bench for the outlines' share)"
fi
