#!/usr/bin/env bash
# Finding a performer and recalling what was missed, through the real host on a desktop: Ctrl+F
# and typing filter the "All" tree (every performer shown contains the text, the group counts
# them), a newcomer that matches appears while filtered, Escape gives the whole tree back; with
# the popups paused in the settings, newcomers show no popup and are listed on "Recent".
#   host_find.sh BIN_DIR
set -uo pipefail
bin="$1"
. "$(dirname "$0")/host_test_lib.sh"
require_display

start_site --performers 60 --no-churn
{ hosts_section; cat <<CONF; } > "$work/Ruvidodur.conf"
[System]
syncinterval=1
[SplashScreen]
duration=1
[PopupDialog]
paused=1
CONF
start_host_window
loaded() { report && grep -q 'tree-item "Online (60)"' "$work/report"; }
wait_for 100 loaded || fail "the list did not load"
grep -q 'item "Pause Popups" enabled=1 checked=1' "$work/report" || fail "the stored pause is not shown"

# The filter text: the first three letters of a performer in the middle of the list.
needle=$(curl -s "http://$site/_sim/performers" | sed -n '30p' | cut -c1-3)
xdotool windowactivate --sync "$window"
xdotool key ctrl+f
xdotool type --delay 50 "$needle"
# The filtered view's performers, from the report.
shown() { awk '/tree "filtered" shown=1/{f=1; next} /tree "/{f=0} f && /performer /' "$work/report" | sed 's/.*performer "\(.*\)"/\1/'; }
filtered() { report && grep -q "search \"$needle\"" "$work/report" && grep -q 'tree "filtered" shown=1' "$work/report"; }
wait_for 50 filtered || fail "typing did not filter: $(grep -E 'search|tree' "$work/report")"
expected=$(curl -s "http://$site/_sim/performers" | cut -d' ' -f1 | grep -ic -- "$needle")
grep -q "tree-item \"Online ($expected of 60)\"" "$work/report" || fail "not \"Online ($expected of 60)\": $(grep tree-item "$work/report")"
[ "$(shown | grep -vic -- "$needle")" -eq 0 ] || fail "shown without the text: $(shown | tr '\n' ' ')"
[ "$(shown | wc -l)" -eq "$expected" ] || fail "$(shown | wc -l) shown, $expected match"
echo "ok: \"$needle\" shows the $expected matching performers of 60"

# Newcomers while filtered and paused: the matching one appears; no popup; both on "Recent".
{ curl -s "http://$site/_sim/performers"; echo "${needle}newbie free 7"; echo "zzzother free 7"; } > "$work/performers"
curl -s -X POST --data-binary @"$work/performers" "http://$site/_sim/performers" > /dev/null
arrived() { report && shown | grep -qx "${needle}newbie"; }
wait_for 80 arrived || fail "the matching newcomer did not appear while filtered"
shown | grep -qx zzzother && fail "a newcomer that does not match appeared"
grep -q 'row ".*" "zzzother" "came on line (paused)"' "$work/report" || fail "Recent lacks the paused newcomer: $(grep -A3 'list "recent"' "$work/report")"
[ "$(awk '/^window wxDialog/ && /shown=1/' "$work/report" | wc -l)" -eq 0 ] || fail "a popup showed while paused"
echo "ok: a matching newcomer appears while filtered; paused, newcomers go only to Recent"

xdotool key Escape
cleared() { report && grep -q 'search ""' "$work/report" && grep -q 'tree-item "Online (62)"' "$work/report" &&
  grep -q 'tree "filtered" shown=0' "$work/report"; }
wait_for 30 cleared || fail "Escape did not give the whole tree back: $(grep -E 'search|tree' "$work/report")"
echo "ok: Escape gives back the whole tree"
