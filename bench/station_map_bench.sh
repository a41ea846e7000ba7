#!/usr/bin/env bash
# Times skerrowen-map against gdalwarp and xplanet making the same map: the shipped NASA
# picture, centre JO62qm, radius 3340 km (the window's first view), no overlays, 557 and
# 4096 pixels square, each as a whole process (the median of RUNS runs, default 5). Then
# skerrowen-map alone writing PNG and JPEG, and from a 21600 x 10800 picture made once from
# the shipped one (BUILD-DIR/earth-21600.jpg, with gdal_translate, about 30 s); then the peak
# memory of one 16384-pixel map (left out with NO_PEAK=1). Not run by CI.
# Usage: bench/station_map_bench.sh [BUILD-DIR] [RUNS]
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
runs=${2:-5}
map="$build/skerrowen-map"
picture="$build/earth.jpg"
[ -x "$map" ] && [ -f "$picture" ] || { echo "build skerrowen-map first" >&2; exit 1; }
for tool in gdalwarp gdal_translate xplanet /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "needs $tool (gdal-bin, xplanet, time)" >&2; exit 1; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
export XDG_CONFIG_HOME="$work"

lat=52.5208333333333 lon=13.375 radius_km=3340
sphere="+proj=longlat +R=6378137 +no_defs"
gdal_translate -q -of VRT -a_srs "$sphere" -a_ullr -180 90 180 -90 "$picture" earth.vrt
cat >xplanet.conf <<CONF
[default]
marker_color=red
shade=100
[earth]
map=$picture
CONF

# The median wall time of a command, in milliseconds.
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

echo "Machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), load $(cut -d' ' -f1-3 /proc/loadavg)"
echo "Median of $runs runs, whole process, BMP output, no overlays."
echo
echo "| size | skerrowen-map | gdalwarp -r bilinear | xplanet -projection azimuthal | faster peer / skerrowen-map |"
echo "|---|---|---|---|---|"
for size in 557 4096; do
  half=$(awk "BEGIN { printf \"%.3f\", $radius_km * 1000 }")
  ours=$(median_ms "$map" --centre "$lat,$lon" --radius "$radius_km" --size "$size" --out ours.bmp)
  gdal=$(median_ms gdalwarp -q -overwrite -multi -wo NUM_THREADS=ALL_CPUS -s_srs "$sphere" \
    -t_srs "+proj=aeqd +lat_0=$lat +lon_0=$lon +R=6378137 +units=m +no_defs" \
    -te "-$half" "-$half" "$half" "$half" -ts "$size" "$size" -r bilinear -of BMP earth.vrt gdal.bmp)
  xplanet=$(median_ms xplanet -config "$work/xplanet.conf" -num_times 1 -output xplanet.bmp \
    -geometry "${size}x${size}" -projection azimuthal -latitude "$lat" -longitude "$lon")
  peer=$((gdal < xplanet ? gdal : xplanet))
  echo "| $size | $ours ms | $gdal ms | $xplanet ms | $(awk "BEGIN { printf \"%.1f\", $peer / $ours }") x |"
done
echo
echo "skerrowen-map's phases (start-up here is from main on; loading the program and its"
echo "libraries and ending it take $(median_ms "$map" --version) ms, the median of --version):"
for size in 557 4096; do
  echo "  $size: $("$map" --centre "$lat,$lon" --radius "$radius_km" --size "$size" --out ours.bmp --timings 2>&1 >/dev/null)"
done

echo
echo "skerrowen-map alone, the median of $runs runs, with its peak resident memory:"
echo
echo "| picture | size | radius | output | wall | peak |"
echo "|---|---|---|---|---|---|"
large="$build/earth-21600.jpg"
if [ ! -f "$large" ]; then
  gdal_translate -q -outsize 21600 10800 -r bilinear -of JPEG -co QUALITY=90 "$picture" "$large.part"
  mv "$large.part" "$large"
fi
for row in "$picture 557 3340 png" "$picture 557 3340 jpg" "$picture 4096 3340 png" "$picture 4096 3340 jpg" \
  "$large 557 20038 bmp" "$large 557 3340 bmp" "$large 4096 3340 bmp"; do
  read -r image size radius suffix <<<"$row"
  wall=$(median_ms "$map" --image "$image" --centre "$lat,$lon" --radius "$radius" --size "$size" --out "ours.$suffix")
  if /usr/bin/time -f %M -o peak.txt "$map" --image "$image" --centre "$lat,$lon" --radius "$radius" --size "$size" \
    --out "ours.$suffix" >/dev/null 2>&1; then
    peak="$(($(tail -1 peak.txt) / 1024)) MB"
  else
    peak="refused the picture"
  fi
  echo "| $(basename "$image") | $size | $radius km | $suffix | $wall ms | $peak |"
done

[ "${NO_PEAK:-0}" = 1 ] && exit 0
echo
echo "Peak memory of one 16384-pixel map (BMP):"
/usr/bin/time -v "$map" --centre "$lat,$lon" --radius "$radius_km" --size 16384 --out big.bmp --timings \
  2>time.txt >/dev/null
grep -E '^start-up' time.txt || true
peak_kb=$(awk -F: '/Maximum resident set size/ { gsub(/ /, "", $2); print $2 }' time.txt)
picture_bytes=$((16384 * 16384 * 3 + 54))
echo "  peak resident $((peak_kb / 1024)) MB; the picture's own bytes $((picture_bytes / 1048576)) MB;" \
  "budget $(((picture_bytes + 100 * 1048576) / 1048576)) MB; wall $(awk -F': ' '/Elapsed/ { print $2 }' time.txt)"
[ $((peak_kb * 1024)) -le $((picture_bytes + 100 * 1048576)) ] && echo "  within the budget" || echo "  OVER the budget"
