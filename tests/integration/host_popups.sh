#!/usr/bin/env bash
# Bursts of newcomers on a desktop with a window manager, geometry read from the X server:
# 3 at once give 3 whole popups (150x150) in distinct slots of the bottom-right column, each
# showing the site's JPEG thumbnail; 40 at once give no overlap, at most a column plus one
# summary, and a window that answers throughout. Closing the window ends the process at once.
#   host_popups.sh BIN_DIR
set -uo pipefail
bin="$1"
. "$(dirname "$0")/host_test_lib.sh"
require_display
command -v xwininfo > /dev/null || { echo "xwininfo is missing (scripts/setup installs x11-utils)"; exit 1; }

start_site --performers 10 --no-churn
{ hosts_section; cat <<CONF; } > "$work/Ruvidodur.conf"
[System]
syncinterval=1
[SplashScreen]
duration=1
[PopupDialog]
duration=30
CONF
start_host_window
sleep 1.5

# x y width height of every visible popup, from the X server
popups() {
  for w in $(xdotool search --onlyvisible --name '^Popup$' 2>/dev/null); do
    xwininfo -id "$w" | awk '/Absolute upper-left X/{x=$4} /Absolute upper-left Y/{y=$4}
      /Width:/{w=$2} /Height:/{h=$2} END{print x, y, w, h}'
  done | sort -n -k2
}
read -r screen_w screen_h < <(xwininfo -root | awk '/Width:/{w=$2} /Height:/{h=$2} END{print w, h}')

newcomers trio 3
shown() { [ "$(popups | wc -l)" -ge "$1" ]; }
wait_for 80 shown 3 || fail "3 newcomers gave $(popups | wc -l) popups"
sleep 0.5
popups > "$work/trio"
[ "$(wc -l < "$work/trio")" -eq 3 ] || fail "not 3 popups: $(cat "$work/trio")"
[ "$(cut -d' ' -f2 "$work/trio" | sort -u | wc -l)" -eq 3 ] || fail "popups share a slot: $(cat "$work/trio")"
previous_top=$screen_h
while read -r x y w h; do
  [ "$w" -eq 150 ] && [ "$h" -eq 150 ] || fail "a popup is ${w}x$h, not whole: $(cat "$work/trio")"
  [ $((x + w)) -le "$screen_w" ] && [ $((x + w)) -ge $((screen_w - 2)) ] || fail "not at the right edge: $x,$y"
  [ $((y + h)) -le "$previous_top" ] || fail "popups overlap: $(cat "$work/trio")"
  previous_top=$y
done < <(sort -rn -k2 "$work/trio")
[ "$(sort -rn -k2 "$work/trio" | head -1 | awk '{print $2 + $4}')" -ge $((screen_h - 2)) ] || fail "the lowest popup is not at the bottom"
# The picture's centre shows the thumbnail's light disc, not the grey placeholder.
import -window root "$work/screen.png"
# The green band reaches the popup's right edge (no white strip where a narrower band stops).
band_green() { # x y
  local r g b
  read -r r g b < <(convert "$work/screen.png" -crop "1x1+$1+$2" -format '%[fx:int(255*r)] %[fx:int(255*g)] %[fx:int(255*b)]' info:)
  [ $((g > r + 40 && g > b + 40)) -eq 1 ]
}
while read -r x y w h; do
  thumbnail_at "$work/screen.png" "$x" "$y" || fail "no thumbnail at $x,$y"
  band_green $((x + w - 4)) $((y + 26)) || fail "the status band stops short of the right edge at $x,$y"
done < "$work/trio"
echo "ok: 3 newcomers, 3 whole popups in distinct bottom-right slots with their JPEG pictures, bands to the edge"

newcomers crowd 40
check_answering 10 "during the burst"
popups > "$work/crowd"
fit=$(( screen_h / 150 ))
count=$(wc -l < "$work/crowd")
[ "$count" -le $((fit + 1)) ] || fail "$count popups for a column of $fit"
grep -q 'more came' "$work/report" || fail "no summary popup"
overlap=$(awk '{x[NR]=$1; y[NR]=$2; w[NR]=$3; h[NR]=$4}
  END{for (i = 1; i <= NR; i++) for (j = i + 1; j <= NR; j++)
    if (x[i] < x[j] + w[j] && x[j] < x[i] + w[i] && y[i] < y[j] + h[j] && y[j] < y[i] + h[i]) print i, j}' "$work/crowd")
[ -z "$overlap" ] || fail "popups overlap: $(cat "$work/crowd")"
[ "$(cut -d' ' -f1 "$work/crowd" | sort -u | wc -l)" -eq 1 ] || fail "the summary is not in the popups' column: $(cat "$work/crowd")"
echo "ok: 40 newcomers, $count popups (a column of $fit and a summary), none overlapping, the window answering"

# Closing the window with popups up ends the process at once.
# Alt+F4: the window manager asks the window to close, as its close button does.
xdotool windowactivate --sync "$window" key --clearmodifiers alt+F4
wait_for 20 host_ended || fail "the host lived on after its window closed"
wait "$host"; status=$?; host=""
[ "$status" -eq 0 ] || fail "the host exited with $status"
echo "ok: closing the window ended the process with its popups"
