#!/usr/bin/env bash
# Installs the Debian 12 packages Skerrowen needs to build, run and test, when missing.
set -euo pipefail
# proj-bin and libhamlib-dev are the tests' references for projections and locators.
packages=(
  g++ cmake ninja-build pkg-config
  qt6-base-dev qt6-image-formats-plugins libgl-dev libglib2.0-dev
  libjpeg62-turbo-dev libspng-dev zlib1g-dev
  libgtest-dev googletest libbenchmark-dev
  clang libclang-rt-14-dev clang-format
  xplanet-images gdal-bin proj-bin libhamlib-dev fonts-dejavu-core
  libnetcdf-dev netcdf-bin libgeographiclib-dev gmt-dcw hamradio-files
  xvfb xdotool x11-xserver-utils x11-utils xauth imagemagick libx11-dev libxcb1-dev xclip locales
  librsvg2-bin libxml2-utils lintian desktop-file-utils appstream qt6-svg-dev poppler-utils
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi
echo "Installing: ${missing[*]}"
sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
