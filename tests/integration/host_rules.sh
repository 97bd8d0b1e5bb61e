#!/usr/bin/env bash
# The user's rules through the real host: a performer whose rule (in the data folder) says
# "only when free" gives no popup coming on line busy, and one when she becomes free; Recent
# says why the first was left out. Muted from the Tool menu, a newcomer shows nothing and is
# marked missed in Recent. After a restart Recent still lists all of it.
#   host_rules.sh BIN_DIR
set -uo pipefail
bin="$1"
. "$(dirname "$0")/host_test_lib.sh"
require_display

start_site --performers 5 --no-churn
{ hosts_section; printf '[System]\nsyncinterval=1\n[SplashScreen]\nduration=1\n[PopupDialog]\nduration=30\n'; } > "$work/Ruvidodur.conf"
mkdir -p "$XDG_DATA_HOME/sorvik-statuscope"
printf 'choosy\tfree\t0\n' > "$XDG_DATA_HOME/sorvik-statuscope/rules"
start_host_window
loaded() { report && grep -q 'tree-item "Online (5)"' "$work/report"; }
wait_for 100 loaded || fail "the list did not load"

set_state() { # name state
  { curl -s "http://$site/_sim/performers" | grep -v "^$1 "; echo "$1 $2 7"; } > "$work/performers"
  curl -s -X POST --data-binary @"$work/performers" "http://$site/_sim/performers" > /dev/null
}
recent_row() { report && grep -q "row \"[^\"]*\" \"$1\" \"$2" "$work/report"; }

set_state choosy public
wait_for 50 recent_row choosy "came on line (your rule)" || fail "Recent does not say the rule left choosy out"
popup_shown choosy && fail "a popup came for choosy coming on line busy"
set_state choosy free
wait_for 50 popup_shown choosy || fail "no popup when choosy became free"
echo "ok: \"only when free\": nothing on line busy (Recent says why), a popup when free"

report
grep -q 'item "&Mute for 1 hour" enabled=1 checked=0' "$work/report" || fail "no Mute for 1 hour in the Tool menu"
xdotool windowactivate --sync "$window" key --clearmodifiers alt+t sleep 0.3 key m
muted() { report && grep -q 'item "&Mute for 1 hour" enabled=1 checked=1' "$work/report"; }
wait_for 30 muted || fail "the Tool menu's Mute for 1 hour did not mute: $(grep 'item ' "$work/report" | head -8)"
# Away from the window, so that what comes is missed.
xdotool windowminimize --sync "$window" 2>/dev/null || true
newcomers hushed_ 1
wait_for 50 recent_row hushed_1 "came on line (muted)" || fail "Recent does not mark hushed_1 as missed"
popup_shown hushed_1 && fail "a popup came while muted"
echo "ok: muted from the Tool menu: no popup, Recent marks it missed"

stop_host
grep -q '^mutedUntil=[1-9]' "$work/Ruvidodur.conf" || fail "the mute was not kept"
start_host_window
wait_for 50 recent_row hushed_1 "came on line (muted)" || fail "Recent lost hushed_1 over a restart"
recent_row choosy "came on line (your rule)" || fail "Recent lost choosy over a restart"
[ "$(stat -c %a "$XDG_DATA_HOME/sorvik-statuscope/recent")" = 600 ] || fail "the recent file is readable by others"
echo "ok: Recent survives a restart, kept where only the user reads it"
