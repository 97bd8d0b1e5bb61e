#!/usr/bin/env bash
# The main window on an openbox desktop, read from the X server: without a tray a minimised
# window stays in the window list and comes back; a second start brings the first to the front
# and leaves one window; the outer size survives restarts (one of them ended while minimised);
# a position on no display falls back. With a tray (trayer): right-click shows Exit, which
# ends the process, and a double-click restores the window after a minimise.
#   host_desktop.sh BIN_DIR
set -uo pipefail
bin="$1"
. "$(dirname "$0")/host_test_lib.sh"
require_display
command -v trayer > /dev/null || { echo "trayer is missing (scripts/setup installs it)"; exit 1; }
tray=""
trap 'cleanup; [ -n "$tray" ] && kill "$tray" 2>/dev/null' EXIT

start_site --performers 5 --no-churn
{ hosts_section; cat <<CONF; } > "$work/Ruvidodur.conf"
[SplashScreen]
duration=1
[MainFrame]
x=300
y=100
width=322
height=625
CONF
start_host() {
  start_host_window
  managed() { xprop -id "$window" WM_STATE | grep -q Normal; }
  wait_for 50 managed || fail "the window manager did not take the window: $(xprop -id "$window" WM_STATE)"
  sleep 0.5
}
map_state() { xwininfo -id "$window" | awk '/Map State/{print $3}'; }
viewable() { [ "$(map_state)" = IsViewable ]; }
# x y width height of the frame with its decorations
outer() {
  local extents
  extents=$(xprop -id "$window" _NET_FRAME_EXTENTS | sed 's/.*= //; s/,//g')
  xwininfo -id "$window" | awk -v e="$extents" 'BEGIN{split(e, f, " ")}
    /Absolute upper-left X/{x=$4} /Absolute upper-left Y/{y=$4} /Width:/{w=$2} /Height:/{h=$2}
    END{print x - f[1], y - f[3], w + f[1] + f[2], h + f[3] + f[4]}'
}

# No tray: minimising leaves the window iconic and listed; activating brings it back.
start_host
read -r _ _ w h < <(outer)
[ "$w $h" = "322 625" ] || fail "the stored 322x625 came up as ${w}x$h"
xdotool windowminimize "$window"
iconic() { xprop -id "$window" WM_STATE | grep -q 'Iconic'; }
wait_for 30 iconic || fail "minimised without a tray, the window is not iconic: $(xprop -id "$window" WM_STATE)"
xprop -root _NET_CLIENT_LIST | grep -qi "$(printf '0x%x' "$window")" || fail "the minimised window left the window list"
xdotool windowactivate "$window"
wait_for 30 viewable || fail "activating the minimised window did not bring it back"
echo "ok: without a tray the window minimises and comes back"

# A second start: exits 0 at once, the first window comes to the front, one window in all.
xdotool windowminimize "$window"
wait_for 30 iconic || fail "not minimised"
timeout 20 "$bin/sorvik" --no-update --config "$work/Ruvidodur.conf" > "$work/second.log" 2>&1
status=$?
[ "$status" -eq 0 ] || fail "the second start ended with $status: $(cat "$work/second.log")"
wait_for 30 viewable || fail "the second start did not bring the first window back"
windows=$(xdotool search --onlyvisible --name '^Sorvik Statuscope$')
[ "$(wc -l <<< "$windows")" -eq 1 ] ||
  fail "more than one window: $(for w in $windows; do xwininfo -id "$w" | grep -E 'Window id|upper-left|Width|Height'; done; cat "$work/second.log")"
kill -0 "$host" || fail "the first host ended"
echo "ok: a second start shows the running window and leaves one"

# Restarts keep the outer size; the last run ends while minimised.
stop_host
start_host
xdotool windowminimize "$window"
wait_for 30 iconic || fail "not minimised"
stop_host
start_host
read -r _ _ w h < <(outer)
[ "$w $h" = "322 625" ] || fail "after restarts the window is ${w}x$h, not 322x625: $(grep -A4 MainFrame "$work/Ruvidodur.conf")"
stop_host
grep -q '^width=322$' "$work/Ruvidodur.conf" && grep -q '^height=625$' "$work/Ruvidodur.conf" ||
  fail "saved geometry changed: $(grep -A4 MainFrame "$work/Ruvidodur.conf")"
echo "ok: three restarts keep 322x625"

sed -i 's/^x=.*/x=5000/; s/^y=.*/y=4000/' "$work/Ruvidodur.conf"
start_host
read -r x y _ _ < <(outer)
read -r screen_w screen_h < <(xwininfo -root | awk '/Width:/{w=$2} /Height:/{h=$2} END{print w, h}')
[ "$x" -lt "$screen_w" ] && [ "$y" -lt "$screen_h" ] || fail "a position on no display was used: $x,$y"
echo "ok: a position on no display falls back to the system's choice"

# With a tray host: the icon's menu and the restore after a minimise.
trayer --edge top --align right --widthtype pixel --width 120 --height 24 > "$work/trayer.log" 2>&1 &
tray=$!
icon_at() { xwininfo -root -tree | awk '/\("com.sorvik.Statuscope" "Sorvik Statuscope"\)  2[0-9]x2[0-9]/{print $NF; exit}' | tr '+' ' '; }
wait_for 50 test -n "$(icon_at)" || { stop_host; start_host; wait_for 50 test -n "$(icon_at)"; } || fail "no icon in the tray"
read -r ix iy < <(icon_at)
ix=$((ix + 10)); iy=$((iy + 10))
xdotool windowminimize "$window"
hidden() { ! viewable; }
wait_for 30 hidden || fail "not minimised"
xdotool mousemove "$ix" "$iy" click --repeat 2 --delay 100 1
wait_for 30 viewable || fail "a double-click on the tray icon did not restore the window"
echo "ok: the tray icon restores the window after a minimise"

# Away from the icon first, so that its tooltip is gone and the menu is the one new window.
xdotool mousemove 0 0
sleep 1
before=$(xdotool search --onlyvisible --class "Sorvik Statuscope" | sort)
xdotool mousemove "$ix" "$iy" click 3
menu() { comm -13 <(echo "$before") <(xdotool search --onlyvisible --class "Sorvik Statuscope" | sort) | head -1; }
wait_for 30 test -n "$(menu)" || fail "right-click on the tray icon shows no menu"
sleep 0.3
m=$(menu)
read -r mx my mw mh < <(xwininfo -id "$m" | awk '/Absolute upper-left X/{x=$4} /Absolute upper-left Y/{y=$4}
  /Width:/{w=$2} /Height:/{h=$2} END{print x, y, w, h}')
# Exit is the last item.
xdotool mousemove $((mx + mw / 2)) $((my + mh - 14)) click 1
wait_for 50 host_ended || fail "Exit in the tray menu did not end the process"
wait "$host"; status=$?; host=""
[ "$status" -eq 0 ] || fail "the tray's Exit ended with $status"
echo "ok: the tray menu's Exit ends the process"
