#!/bin/sh
# Makes an independent picture of what the camera at the globe's centre sees: the NASA
# picture warped with GDAL/PROJ to the gnomonic projection around the view's centre (the
# view from a sphere's centre is gnomonic), north up, over the square whose half side is
# tan(half the field of view). Writes <out dir>/reference.img: raw bytes, band after band
# (red, green, blue), rows from the top.
# Usage: make_gnomonic_reference.sh <picture> <out dir> <long> <lat> <xmin> <ymin> <xmax> <ymax> <side px>
set -eu
picture=$1 out=$2 long=$3 lat=$4 xmin=$5 ymin=$6 xmax=$7 ymax=$8 side=$9
sphere="+proj=longlat +R=1 +no_defs"
gdal_translate -q -of VRT -a_srs "$sphere" -a_ullr -180 90 180 -90 "$picture" "$out/earth.vrt"
gdalwarp -q -overwrite -s_srs "$sphere" -t_srs "+proj=gnom +lat_0=$lat +lon_0=$long +R=1 +no_defs" \
  -te "$xmin" "$ymin" "$xmax" "$ymax" -ts "$side" "$side" -r bilinear -ot Byte -of ENVI \
  "$out/earth.vrt" "$out/reference.img"
