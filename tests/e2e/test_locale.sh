#!/usr/bin/env bash
# What a user with a comma as decimal separator sees (German and French settings): after
# zooming in, the map pair's name, its side file, the settings store, the log's start line
# and the caption hold no comma, and the next start shows the same view, in that region's
# settings and in the C locale alike. Every difference is listed before the test fails.
source "$(dirname "$0")/lib.sh"
locales="$WORK/locales"
mkdir "$locales"
for name in de_DE fr_FR; do
  # Status 1 means warnings only: the locale was still made.
  localedef -i "$name" -f UTF-8 "$locales/$name.UTF-8" >"$WORK/localedef-$name.txt" 2>&1 || [ $? -eq 1 ] \
    || fail "localedef could not make $name.UTF-8 (package locales): $(cat "$WORK/localedef-$name.txt")"
done
start_display

wrong=0
differs() {
  echo "WRONG: $*"
  wrong=$((wrong + 1))
}

# start_localized LOCALE: the program in DIR with its language and region settings set to
# LOCALE, up to its first frame; a message box on the way (a refused store) is a difference.
start_localized() {
  start_in "$DIR" "$BUILD/skerrowen" "LANG=$1" "LC_ALL=$1" "LOCPATH=$locales"
  focus_main
  local deadline=$((SECONDS + 10))
  until caption | grep -q '^Skerrowen, Long: '; do
    if [ -n "$(error_box)" ]; then
      sleep 0.2
      differs "$locale: the start in $1 showed a message: $(grep ERROR "$OUT" || true)"
      close_error_box 1
      focus_main
    fi
    [ $SECONDS -le $deadline ] || fail "$locale: the start in $1 showed no frame (caption '$(caption)')"
    sleep 0.05
  done
}

for locale in de_DE.UTF-8 fr_FR.UTF-8; do
  expect_eq "$(LOCPATH=$locales LC_ALL=$locale locale decimal_point)" "," "decimal separator of $locale"
  before=$wrong
  DIR="$WORK/$locale"
  mkdir "$DIR"
  cp "$BUILD/maps/earthmap.bmp" "$DIR/"
  export XDG_CONFIG_HOME="$DIR/config" XDG_RUNTIME_DIR="$DIR/runtime"
  mkdir -m 700 "$XDG_RUNTIME_DIR"
  SETTINGS="$XDG_CONFIG_HOME/skerrowen/skerrowen.conf"
  LOG="$DIR/Brannoch.log"

  start_localized "$locale"
  # Page Up: a few view steps nearer, which makes Distance fractional.
  for _ in 1 2 3; do hold Prior 0.15; done
  sleep 0.3
  shown=$(caption)
  [[ $shown =~ ^Skerrowen,\ Long:\ \ 006\ Lat:\ \ 52\ Radius:\ ([0-9]+)$ ]] \
    || fail "$locale: caption after Page Up: '$shown'"
  radius=${BASH_REMATCH[1]}
  [ "$radius" -lt 3340 ] || fail "$locale: Page Up did not shrink the radius: '$shown'"
  distance=$(setting Distance)
  [[ $distance =~ ^-?[0-9]+\.[0-9]+$ ]] \
    || differs "$locale: Distance in the store is '$distance', not a number with a '.' decimal point"
  press Escape
  expect_exit 30

  base=$(printf 'MAP_%04d_6_52' "$radius")
  [ -s "$DIR/$base.BMP" ] && [ -s "$DIR/$base.DAT" ] \
    || differs "$locale: no map pair $base.BMP/.DAT; stored: $(cd "$DIR" && ls -m MAP_* 2>/dev/null)"
  commas=$(cd "$DIR" && ls | grep ',' || true)
  [ -z "$commas" ] || differs "$locale: file names with a comma: $commas"
  # The side file's lines, under whatever name it was stored.
  side="$DIR/$base.DAT"
  [ -e "$side" ] || side=$(find "$DIR" -maxdepth 1 -name 'MAP_*.DAT' | head -n 1)
  printf 'Radius : %s\r\nLong   : 6\r\nLat    : 52\r\n' "$radius" | cmp -s - "$side" \
    || differs "$locale: side file ${side##*/}: $(od -c "$side" 2>&1 | head -n 5)"
  starts=$(log_lines | grep '^Program start: ' || true)
  [ -n "$starts" ] && ! grep -Evqx 'Program start: [0-9]{4}/[0-9]{2}/[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}' <<<"$starts" \
    || differs "$locale: the log's start line is '$starts'"

  for again in "$locale" C.UTF-8; do
    start_localized "$again"
    [ "$(caption)" == "$shown" ] || differs "$locale: the start in $again shows '$(caption)', not '$shown'"
    close_window
    expect_exit 2
  done
  if [ "$wrong" -eq "$before" ]; then
    echo "ok: $locale"
  else
    echo "$locale: $((wrong - before)) differences; its files are in $DIR"
  fi
done
[ "$wrong" -eq 0 ] || fail "$wrong differences in all"
