#!/usr/bin/env bash
# Times skerrowen-map making the maps of an operator's wall and log, each as a whole process
# (the median of RUNS runs, default 3), with its peak resident size and the file's size:
#   an A1 PDF at 300 dpi with every overlay (rings, bearing lines, grid, coasts and borders,
#   prefixes, Maidenhead fields, beam, grey-line fan, title) and a 10,000-contact ADIF log;
#   the same log's stations on a 4096-pixel BMP and PNG.
# The log is made up here: 10,000 records spread over the globe, each with CALL and GRIDSQUARE.
# Not run by CI. Usage: bench/poster_bench.sh [BUILD-DIR] [RUNS]
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
runs=${2:-3}
map="$build/skerrowen-map"
[ -x "$map" ] || { echo "build skerrowen-map first" >&2; exit 1; }
command -v /usr/bin/time >/dev/null || { echo "needs /usr/bin/time (time)" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
export XDG_CONFIG_HOME="$work"

awk 'BEGIN {
  srand(19);
  print "made for the poster benchmark <EOH>";
  for (k = 0; k < 10000; k++) {
    f1 = sprintf("%c", 65 + int(rand() * 18)); f2 = sprintf("%c", 65 + int(rand() * 18));
    grid = f1 f2 int(rand() * 10) int(rand() * 10);
    call = sprintf("X%dK%04d", k % 10, k);
    printf "<CALL:%d>%s <GRIDSQUARE:%d>%s <EOR>\n", length(call), call, length(grid), grid;
  }
}' >log.adi

# The median wall time in ms, the largest peak resident size in MB, of a command.
measure() {
  local times=() peak=0
  for _ in $(seq "$runs"); do
    local start end kb
    start=$(date +%s%N)
    /usr/bin/time -f %M -o rss.txt "$@" >/dev/null 2>err.txt || { cat err.txt >&2; exit 1; }
    end=$(date +%s%N)
    times+=($(((end - start) / 1000000)))
    kb=$(tail -n1 rss.txt)
    peak=$((kb > peak ? kb : peak))
  done
  echo "$(printf '%s\n' "${times[@]}" | sort -n | sed -n "$(((runs + 1) / 2))p") $((peak / 1024))"
}

echo "Machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), load $(cut -d' ' -f1-3 /proc/loadavg)"
echo "Median of $runs runs, whole process."
echo
echo "| map | wall ms | peak MB | file MB |"
echo "|---|---|---|---|"
every=(--locator JO62qm --radius 20038 --rings 2500 --spokes 30 --grid 30
  --beam 45/60 --greyline-fan --time 2026-06-21T12:00:00Z --title "DL1ABC  JO62qm" --targets log.adi)
# The country layers, where this build's map maker takes them.
for layer in --countries --prefixes --fields; do
  if "$map" --help | grep -q -- "$layer"; then every+=("$layer"); else echo "(no $layer in this build)"; fi
done
read -r ms mb < <(measure "$map" "${every[@]}" --page A1 --dpi 300 --out a1.pdf)
echo "| A1 PDF, 300 dpi, every overlay, 10,000 contacts | $ms | $mb | $(awk "BEGIN { printf \"%.1f\", $(stat -c %s a1.pdf) / 1048576 }") |"
for kind in bmp png; do
  read -r ms mb < <(measure "$map" --locator JO62qm --radius 20038 --size 4096 --targets log.adi --out "log-$kind.$kind")
  echo "| 4096 px ${kind^^}, 10,000 stations | $ms | $mb | $(awk "BEGIN { printf \"%.1f\", $(stat -c %s "log-$kind.$kind") / 1048576 }") |"
done
echo
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
