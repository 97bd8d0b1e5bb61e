#!/usr/bin/env bash
# The real host with the real plug-in against the simulated site, under a display: the window
# appears, "All" counts the site's performers, a performer coming on line gets a popup, and
# File > Exit saves the geometry and ends the process cleanly.
#   host_end_to_end.sh BIN_DIR
set -uo pipefail
bin="$1"
. "$(dirname "$0")/host_test_lib.sh"
all_count() { report && sed -n 's/.*tree-item "Online (\([0-9]*\))".*/\1/p' "$work/report" | head -1; }

require_display
start_site --performers 40 --no-churn
expected=$(curl -s "http://$site/_sim/performers" | grep -c .)

mkdir -p "$work/home/.config"
cat > "$work/Ruvidodur.conf" <<CONF
[Hosts]
main=$site
image=$site
mail=$site
fanclub=$site
product=$site
[System]
syncinterval=1
[SplashScreen]
duration=1
CONF
HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" LANG=C.UTF-8 LANGUAGE= \
  "$bin/sorvik" --no-update --config "$work/Ruvidodur.conf" > "$work/host.log" 2>&1 &
host=$!

wait_for 100 xdotool search --name "^Sorvik Statuscope$" > /dev/null || fail "no main window"
window=$(xdotool search --name "^Sorvik Statuscope$" | head -1)
count() { [ "$(all_count)" = "$expected" ]; }
wait_for 100 count || fail "\"All\" shows $(all_count), the site has $expected"
grep -q 'page "All" selected=1' "$work/report" || fail "the All page is not the first shown"
grep -q 'page "Favorite" selected=0 enabled=0' "$work/report" || fail "Favorite is not disabled"
echo "ok: the window shows all $expected performers"

{ curl -s "http://$site/_sim/performers"; echo "newcomer_1 free 7"; } > "$work/performers"
curl -s -X POST --data-binary @"$work/performers" "http://$site/_sim/performers" > /dev/null

wait_for 100 popup_shown newcomer_1 || fail "no popup for the performer who came on line"
expected=$((expected + 1))
wait_for 50 count || fail "\"All\" shows $(all_count) after the newcomer, the site has $expected"
echo "ok: a popup announced newcomer_1"

# Help > About names the version, the site and where the settings are.
xdotool windowactivate --sync "$window" key --clearmodifiers alt+h sleep 0.3 key Return
about() { report && grep -q 'text "Version [0-9]' "$work/report" && grep -q "text \"Site: $site\"" "$work/report" &&
  grep -q "text \"Settings: $work/Ruvidodur.conf\"" "$work/report"; }
wait_for 30 about || fail "no About box with the version, the site and the settings: $(grep 'text ' "$work/report")"
grep -q '^window wxDialog "About Sorvik Statuscope" shown=1 .* minimize=0 maximize=0' "$work/report" ||
  fail "the About box asks for minimise or maximise buttons: $(grep '^window' "$work/report")"
# What the window manager makes of it: a box of fixed size cannot be maximised (openbox keeps
# its minimise button whatever a window asks).
about_box=$(xdotool search --onlyvisible --name "^About Sorvik Statuscope$" | head -1)
! xprop -id "$about_box" _NET_WM_ALLOWED_ACTIONS | grep -q "MAXIMIZE\|RESIZE" ||
  fail "the window manager lets the About box be resized: $(xprop -id "$about_box" _NET_WM_ALLOWED_ACTIONS)"
xdotool key Escape
echo "ok: Help > About names the version, the site and the settings file, as a dialog"

# The layout of the default window: Recent's columns within the list, no control GTK had to
# give a negative size.
report
read -r width columns < <(sed -n 's/.*list "recent" rows=[0-9]* width=\([0-9]*\) columns=\([0-9]*\).*/\1 \2/p' "$work/report")
[ -n "${width:-}" ] && [ "$columns" -le "$width" ] || fail "Recent's columns ($columns) do not fit its ${width:-?} pixels"
! grep -a -q "Negative content" "$work/host.log" || fail "GTK gave a control a negative size: $(grep -a -m1 'Negative content' "$work/host.log")"
echo "ok: Recent's columns fit the default window, no control of negative size"

# File > Exit (the menu opened with the mouse, its last item taken with the keys), after a
# resize the geometry must remember.
xdotool windowsize --sync "$window" 300 520 || fail "cannot resize"
# The frame's own size: the window manager's decorations may come on top of the 300x520.
frame_size() { report && sed -n 's/.*Sorvik Statuscope" shown=1 rect=[0-9-]*,[0-9-]*,\([0-9]*\),\([0-9]*\).*/\1 \2/p' "$work/report"; }
resized() { set -- $(frame_size); [ "${1:-0}" -ge 300 ] && [ "${2:-0}" -ge 520 ]; }
wait_for 30 resized || fail "the frame did not take the new size: $(frame_size)"
read -r width height < <(frame_size)
# Relative to the window itself: a window manager's frame lies round it.
xdotool mousemove --window "$window" --sync 18 12 click 1
sleep 0.5
xdotool key Up sleep 0.2 key Return
wait_for 100 host_ended || fail "the host did not exit after File > Exit"
wait "$host"
status=$?
host=""
[ "$status" -eq 0 ] || fail "the host exited with $status"
# (the toolkit counts the manager's border in the size now and then: either is the user's size)
grep -Eq "^width=(300|$width)\$" "$work/Ruvidodur.conf" || fail "width not saved: $(cat "$work/Ruvidodur.conf")"
grep -Eq "^height=(520|$height)\$" "$work/Ruvidodur.conf" || fail "height not saved"
grep -q '^favorites' "$work/Ruvidodur.conf" && fail "favourites outlived the session"
[ "$(stat -c %a "$work/Ruvidodur.conf")" = 600 ] || fail "the settings file is readable by others"
echo "ok: File > Exit saved the size and the host exited cleanly"
