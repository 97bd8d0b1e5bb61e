#!/usr/bin/env bash
# The performers' history through the real host against a churning site: sessions reach the
# database in the data folder (the owner's alone) within seconds; the host killed with SIGKILL
# again and again while it writes leaves an intact file whose sessions left open are closed at
# the next start; after a clean exit no session is open; a performer's "History..." from the
# tree's menu shows her on line now, with the week's map; after a scripted hour (the host's wall
# clock 60 times faster through libfaketime) a favourite's history shows when she was last seen
# and how long she was on line, as the database holds it.
#   host_history.sh BIN_DIR
set -uo pipefail
bin="$1"
. "$(dirname "$0")/host_test_lib.sh"
require_display
command -v sqlite3 > /dev/null || { echo "sqlite3 is missing (scripts/setup installs it)"; exit 1; }

start_site --performers 60
{ hosts_section; printf '[System]\nsyncinterval=1\n[SplashScreen]\nduration=1\n'; } > "$work/Ruvidodur.conf"
db="$XDG_DATA_HOME/sorvik-statuscope/history.db"
query() { sqlite3 -batch "$db" "$1" 2>&1; }
sessions_written() { [ -f "$db" ] && [ "$(query 'SELECT count(*) FROM sessions')" -gt 0 ] 2>/dev/null; }

start_host_window
wait_for 100 sessions_written || fail "no session reached the history: $(query 'SELECT count(*) FROM sessions')"
[ "$(stat -c %a "$db")" = 600 ] || fail "the history is readable by others"

# Killed while it writes (a batch every 2 s, the site changing every second).
for round in $(seq 8); do
  sleep "0.$((RANDOM % 9 + 1))"
  sleep $((round % 3))
  kill -KILL "$host"; wait "$host" 2>/dev/null; host=""
  [ "$(query 'PRAGMA integrity_check')" = ok ] || fail "round $round: the history is damaged: $(query 'PRAGMA integrity_check')"
  start_host_window
done
sleep 3
stop_host
[ "$(query 'PRAGMA integrity_check')" = ok ] || fail "the history is damaged after the kills"
[ "$(query 'SELECT count(*) FROM sessions WHERE end IS NULL')" = 0 ] || fail "sessions left open after a clean exit"
[ "$(query 'SELECT count(*) FROM sessions WHERE end < start')" = 0 ] || fail "sessions that end before they start"
echo "ok: 8 kills while writing: intact ($(query 'SELECT count(*) FROM sessions') sessions), none open after the exit"

# The first performer of "All": her history from the tree's menu (Profile, Add to Favorites, History...).
start_host_window
loaded() { report && grep -q 'tree-item "Online ([1-9]' "$work/report"; }
wait_for 100 loaded || fail "the list did not load"
first=$(grep -m1 -A1 'tree-item "Online ([1-9]' "$work/report" | sed -n 's/.*performer "\(.*\)"/\1/p')
[ -n "$first" ] || fail "no performer in All: $(grep tree-item "$work/report")"
sleep 2.5 # her session written
xdotool windowactivate --sync "$window" mousemove --window "$window" --sync 60 110 click 1 \
  key Down sleep 0.3 key Menu sleep 0.5 key Down Down Down Return
history_window() { xdotool search --onlyvisible --name "^History of " 2>/dev/null | head -1; }
wait_for 50 history_window > /dev/null || fail "no history window"
shown_now() { report && grep -q 'text "On line now."' "$work/report"; }
wait_for 30 shown_now || fail "the history of $first does not say she is on line: $(grep 'text ' "$work/report")"
grep -q "\"History of $first\"" "$work/report" || fail "the history window is not $first's"
[ -n "${SORVIK_SCREENSHOT:-}" ] && import -window root "$SORVIK_SCREENSHOT"
xdotool windowactivate --sync "$(history_window)" key Escape
wait_for 30 sh -c "! xdotool search --onlyvisible --name '^History of ' > /dev/null 2>&1" || fail "Escape left the history window open"
stop_host
echo "ok: $first's history window says she is on line now"

# A scripted hour: kate on line from the start for 20 s (20 minutes of the host's clock, which
# runs 60 times faster from Monday 09:00; its timers keep the real pace), then gone for 10 s.
faketime_lib=/usr/lib/x86_64-linux-gnu/faketime/libfaketimeMT.so.1
[ -f "$faketime_lib" ] || fail "libfaketime is missing (scripts/setup installs it)"
rm -f "$db"*
# The script alone moves kate: the site's own churn would make her busy now and then.
curl -s "http://$site/_sim/churn?on=0" > /dev/null
echo kate > "$XDG_DATA_HOME/sorvik-statuscope/favorites"
curl -s "http://$site/_sim/performers" | grep -v '^kate ' > "$work/base"
{ cat "$work/base"; echo "kate free 7"; } > "$work/with"
curl -s -X POST --data-binary @"$work/with" "http://$site/_sim/performers" > /dev/null
# A sanitizer build needs its runtime first among the preloaded libraries.
asan_runtime=$(ldd "$bin/sorvik" | awk '/libasan/{print $3}')
LANG=C.UTF-8 LANGUAGE= LD_PRELOAD="${asan_runtime:+$asan_runtime }$faketime_lib" FAKETIME="@2026-12-07 09:00:00 x60" FAKETIME_DONT_FAKE_MONOTONIC=1 \
  "$bin/sorvik" --no-update --config "$work/Ruvidodur.conf" >> "$work/host.log" 2>&1 &
host=$!
wait_for 100 xdotool search --onlyvisible --name "^Sorvik Statuscope$" > /dev/null || fail "no main window on the fast clock"
window=$(xdotool search --onlyvisible --name "^Sorvik Statuscope$" | head -1)
sleep 20
curl -s -X POST --data-binary @"$work/base" "http://$site/_sim/performers" > /dev/null
sleep 10
read -r start end < <(query "SELECT s.start, s.end FROM sessions s JOIN performers p ON p.id = s.performer WHERE p.name = 'kate'" | tr '|' ' ')
[ -n "${end:-}" ] || fail "kate's session did not end in the history: ${start:-none}"
# The Favorite page: its Offline group's first member is kate; her menu's History...
xdotool windowactivate --sync "$window" mousemove --window "$window" --sync 120 80 click 1 sleep 0.5 \
  mousemove --window "$window" 60 110 click 1 key Down Down sleep 0.3 key Menu sleep 0.5 key Down Down Down Return
wait_for 50 history_window > /dev/null || fail "no history window for kate"
last_seen="Last seen: $(LANG=C date -d "@$end" '+%m/%d/%y %H:%M')"
minutes=$(( (end - start + 30) / 60 ))
today="On line today: 0 h $(printf '%02d' "$minutes") min (free 0 h $(printf '%02d' "$minutes") min)"
seen_right() { report && grep -q "text \"$last_seen\"" "$work/report" && grep -q "text \"$today\"" "$work/report"; }
wait_for 30 seen_right || fail "kate's history does not say \"$last_seen\" and \"$today\": $(grep 'text ' "$work/report")"
[ -n "${SORVIK_SCREENSHOT_HOUR:-}" ] && import -window root "$SORVIK_SCREENSHOT_HOUR"
stop_host
echo "ok: after a scripted hour kate's history says \"$last_seen\", $minutes minutes on line"
