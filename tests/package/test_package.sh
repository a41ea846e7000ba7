#!/usr/bin/env bash
# Makes the Debian package from a built tree and checks it as an operator would meet it:
# lintian finds no error, the menu entry and AppStream data validate, and the programs,
# unpacked into a scratch root and run with a fresh home, start as the menu starts them and
# write their maps where the manual page says. Usage: test_package.sh BUILD-DIR
set -euo pipefail
build=$(cd "${1:?usage: test_package.sh BUILD-DIR}" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
WORK=$(mktemp -d /tmp/skerrowen-package.XXXXXX)
XVFB_PID=""
APP_PID=""

finish() {
  local status=$?
  set +e
  [ -n "$APP_PID" ] && kill -9 "$APP_PID" 2>/dev/null
  declare -F stop_virtual_display >/dev/null && stop_virtual_display
  if [ "$status" -eq 0 ]; then
    rm -rf "$WORK"
  else
    for out in "$WORK"/*.out; do
      [ -e "$out" ] && { echo "--- $(basename "$out")"; cat "$out"; }
    done
    echo "work folder kept: $WORK" >&2
  fi
}
trap finish EXIT

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

echo "-- making the package"
# cpack packs what the tree holds; bring it up to date first (nothing to do after a build).
cmake --build "$build" -j 2 >"$WORK/build.out" 2>&1 || fail "the build tree does not build"
rm -f "$build"/skerrowen_*.deb
(cd "$build" && cpack -G DEB >"$WORK/cpack.out" 2>&1) || fail "cpack failed"
debs=("$build"/skerrowen_*.deb)
[ -e "${debs[0]}" ] && [ ${#debs[@]} -eq 1 ] || fail "expected one skerrowen_*.deb in $build: ${debs[*]}"
deb=${debs[0]}
echo "$deb"

echo "-- lintian (errors fail; the rest is listed)"
lintian --fail-on error --display-info "$deb" 2>&1 | grep -v '^running with root privileges' | tee "$WORK/lintian.out" \
  || fail "lintian found errors"
# Locators are our own arithmetic; Hamlib is only the tests' reference.
dpkg-deb -f "$deb" Depends | grep -qi hamlib && fail "the package depends on Hamlib: $(dpkg-deb -f "$deb" Depends)"

root="$WORK/root"
dpkg-deb -x "$deb" "$root"
for f in usr/bin/skerrowen usr/share/skerrowen/5.x usr/share/skerrowen/earth.jpg usr/share/skerrowen/earthmap.bmp \
  usr/share/applications/skerrowen.desktop usr/share/icons/hicolor/48x48/apps/skerrowen.png \
  usr/share/icons/hicolor/scalable/apps/skerrowen.svg usr/share/man/man1/skerrowen.1.gz \
  usr/share/doc/skerrowen/copyright; do
  [ -s "$root/$f" ] || fail "the package has no /$f"
done
grep -q 'NASA' "$root/usr/share/doc/skerrowen/copyright" || fail "the copyright file does not name the NASA imagery's terms"
# The icon is a 48 x 48 PNG: width and height sit at bytes 16 to 23 of its header.
[ "$(od -An -t u1 -j 16 -N 8 "$root/usr/share/icons/hicolor/48x48/apps/skerrowen.png" | tr -s ' ')" == " 0 0 0 48 0 0 0 48" ] \
  || fail "the 48 px icon is not 48 x 48"
map_built=$(find "$build" -maxdepth 3 -name skerrowen-map -type f -perm -u+x | head -n 1)
if [ -n "$map_built" ]; then
  [ -x "$root/usr/bin/skerrowen-map" ] && [ -s "$root/usr/share/man/man1/skerrowen-map.1.gz" ] \
    || fail "skerrowen-map is built but the package lacks it or its manual page"
fi

echo "-- desktop entry and AppStream data"
desktop-file-validate "$root/usr/share/applications/skerrowen.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$root"/usr/share/metainfo/*.metainfo.xml || fail "appstreamcli validate"

home="$WORK/home"
mkdir -p "$home" "$WORK/runtime"
chmod 700 "$WORK/runtime"
# run NAME [VAR=VALUE...] -- COMMAND...: runs in the fresh home with a clean environment;
# its output goes to $WORK/NAME.out and its exit status to $status.
run() {
  local name=$1
  shift
  local vars=()
  while [ "$1" != "--" ]; do vars+=("$1"); shift; done
  shift
  set +e
  (cd "$home" && exec env -i HOME="$home" PATH=/usr/bin:/bin XDG_RUNTIME_DIR="$WORK/runtime" "${vars[@]}" "$@") \
    >"$WORK/$name.out" 2>&1
  status=$?
  set -e
}
skerrowen="$root/usr/bin/skerrowen"

echo "-- without a window"
run help -- "$skerrowen" --help
[ $status -eq 0 ] && grep -q '^Usage: skerrowen ' "$WORK/help.out" || fail "--help: status $status"
run version -- "$skerrowen" --version
[ $status -eq 0 ] && grep -Eqx 'skerrowen [0-9]+\.[0-9]+.*' "$WORK/version.out" || fail "--version: status $status"
run unknown -- "$skerrowen" --frobnicate
[ $status -eq 2 ] && grep -qx "skerrowen: unknown argument '--frobnicate'; try 'skerrowen --help'" "$WORK/unknown.out" \
  || fail "unknown argument: status $status"
for display in unset :99x; do
  vars=()
  [ "$display" == unset ] || vars=(DISPLAY="$display")
  run nodisplay "${vars[@]}" -- "$skerrowen"
  [ $status -eq 1 ] || fail "no display ($display): status $status, not 1"
  [ "$(wc -l <"$WORK/nodisplay.out")" -eq 1 ] \
    && grep -Eq '^skerrowen: no display: .*set DISPLAY or run .*xvfb-run skerrowen$' "$WORK/nodisplay.out" \
    || fail "no display ($display): not one clear line"
done
[ -z "$(find "$home" -name 'core*')" ] || fail "a core file was left"
echo "ok: --help, --version, an unknown argument and no display"

echo "-- a virtual display"
# shellcheck source=../../scripts/virtual-display.sh
source "$here/../../scripts/virtual-display.sh"
start_virtual_display "$WORK/xvfb.out" || fail "no virtual display"

window_of() {
  local id=""
  for _ in $(seq 300); do
    id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1 || true)
    [ -n "$id" ] && break
    kill -0 "$APP_PID" 2>/dev/null || fail "the program ended before its window showed"
    sleep 0.05
  done
  [ -n "$id" ] || fail "no window named '$1' appeared"
  echo "$id"
}

echo "-- started as the menu starts it"
exec_line=$(sed -n 's/^Exec=//p' "$root/usr/share/applications/skerrowen.desktop")
read -r -a command <<<"$exec_line"
[ "${command[0]}" == skerrowen ] || fail "the menu entry starts '${command[0]}'"
command[0]=$skerrowen
(cd "$home" && exec env -i HOME="$home" PATH=/usr/bin:/bin DISPLAY="$DISPLAY" XDG_RUNTIME_DIR="$WORK/runtime" \
  "${command[@]}") >"$WORK/menu.out" 2>&1 &
APP_PID=$!
wid=$(window_of '^Skerrowen, Long: ')
xdotool windowfocus --sync "$wid" 2>/dev/null || xdotool windowfocus "$wid"
sleep 0.3
xdotool key Escape
for _ in $(seq 1200); do kill -0 "$APP_PID" 2>/dev/null || break; sleep 0.05; done
kill -0 "$APP_PID" 2>/dev/null && fail "Esc did not end the program within 60 s"
wait "$APP_PID" || fail "the program ended with status $?"
APP_PID=""
maps="$home/Pictures/Skerrowen"
[ -s "$maps/earthmap.bmp" ] || fail "earthmap.bmp was not put into $maps"
cmp -s "$maps/earthmap.bmp" "$root/usr/share/skerrowen/earthmap.bmp" || fail "$maps/earthmap.bmp is not the shipped one"
bmp=$(find "$maps" -name 'MAP_*.BMP' | head -n 1)
[ -n "$bmp" ] && [ -s "${bmp%.BMP}.DAT" ] || fail "Esc wrote no map pair into $maps: $(ls "$maps")"
[ -s "$maps/Brannoch.log" ] || fail "no log in $maps"
[ -s "$home/.config/skerrowen/skerrowen.conf" ] || fail "the view was not kept in ~/.config/skerrowen/skerrowen.conf"
[ -z "$(find "$home" -maxdepth 1 -type f)" ] || fail "files were written in the folder it was started in: $(ls "$home")"
echo "ok: the menu's start wrote $(basename "$bmp") and its side file into ~/Pictures/Skerrowen"

echo "-- data missing from the installed folder"
broken="$WORK/broken"
cp -a "$root" "$broken"
rm "$broken/usr/share/skerrowen/5.x"
mkdir "$home/terminal"
(cd "$home/terminal" && exec env -i HOME="$home" PATH=/usr/bin:/bin DISPLAY="$DISPLAY" \
  XDG_RUNTIME_DIR="$WORK/runtime" "$broken/usr/bin/skerrowen") >"$WORK/missing.out" 2>&1 &
APP_PID=$!
# The model's loader reports it too, once the window is up.
for _ in $(seq 200); do
  grep -q '^skerrowen: ERROR: Error loading models$' "$WORK/missing.out" && break
  sleep 0.05
done
grep -qx "skerrowen: the globe model \"5.x\" is missing: looked in $broken/usr/bin and $broken/usr/share/skerrowen" \
  "$WORK/missing.out" || fail "the missing model was not named with where it was looked for"
grep -q "^skerrowen: earthmap.bmp is not in the working folder $home/terminal, .* it is not in $broken/usr/bin either$" "$WORK/missing.out" \
  || fail "the missing earthmap.bmp of a terminal start was not named"
kill -0 "$APP_PID" 2>/dev/null || fail "the program ended instead of showing the globe without its model"
kill -9 "$APP_PID"
wait "$APP_PID" 2>/dev/null || true
APP_PID=""
echo "ok: a missing model and earthmap.bmp are named with where they were looked for"

if [ -x "$root/usr/bin/skerrowen-map" ]; then
  echo "-- the installed skerrowen-map"
  run station -- "$root/usr/bin/skerrowen-map" --centre 52.5,13.4 --out "$WORK/station.png"
  [ $status -eq 0 ] && [ -s "$WORK/station.png" ] && [ -s "$WORK/station.DAT" ] \
    || fail "skerrowen-map: status $status, no map and side file"
  echo "ok: skerrowen-map wrote a map and its side file"
fi
echo "package: all checks passed"
