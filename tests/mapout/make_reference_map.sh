#!/bin/sh
# Makes an independent reference map with GDAL/PROJ: the NASA picture, taken as longitude
# -180..180 and latitude 90..-90 on a sphere of radius 6378137 m, warped to the azimuthal
# equidistant projection around the centre, the square of side 2 x radius (the map radius
# reaches the edge of the inscribed circle), north up. Writes <out dir>/reference.img: raw
# bytes, band after band (red, green, blue), rows from the top.
# Usage: make_reference_map.sh <picture> <out dir> <long> <lat> <radius km> <side px>
set -eu
picture=$1 out=$2 long=$3 lat=$4 radius_km=$5 side=$6
sphere="+proj=longlat +R=6378137 +no_defs"
half=$(awk "BEGIN { printf \"%.3f\", $radius_km * 1000 }")
gdal_translate -q -of VRT -a_srs "$sphere" -a_ullr -180 90 180 -90 "$picture" "$out/earth.vrt"
gdalwarp -q -overwrite -s_srs "$sphere" -t_srs "+proj=aeqd +lat_0=$lat +lon_0=$long +R=6378137 +units=m +no_defs" \
  -te "-$half" "-$half" "$half" "$half" -ts "$side" "$side" -r bilinear -ot Byte -of ENVI \
  "$out/earth.vrt" "$out/reference.img"
