#!/usr/bin/env bash
# Desktop notifications through a real service: dunst on a private D-Bus session bus. With the
# style set to desktop notifications, a performer coming on line gives one notification (the
# name as its summary, "came on line" as its body, the program's desktop entry as a hint) and
# no popup; a flood of 300 gives at most a column of notifications and one summary, updated in
# place by the next burst, while the window answers; without a service the host says so on
# stderr once and shows the popup instead.
#   host_notifications.sh BIN_DIR
set -uo pipefail
bin="$1"
. "$(dirname "$0")/host_test_lib.sh"
require_display
for tool in dbus-daemon dbus-monitor dbus-send dunst; do
  command -v "$tool" > /dev/null || { echo "$tool is missing (scripts/setup installs it)"; exit 1; }
done
bus_pid="" dunst_pid="" monitor_pid=""
trap 'cleanup; for p in $monitor_pid $dunst_pid $bus_pid; do kill "$p" 2>/dev/null; done' EXIT

start_site --performers 5 --no-churn
{ hosts_section; cat <<CONF; } > "$work/Ruvidodur.conf"
[System]
syncinterval=1
[SplashScreen]
duration=1
[Preferences]
notificationStyle=desktop
CONF
newcomer() { newcomers "$1" 1; }

# No service at all: one line on stderr, and the popup.
DBUS_SESSION_BUS_ADDRESS="unix:path=$work/no-bus" start_host_window
newcomer lonely_
wait_for 100 popup_shown lonely_1 || fail "without a service no popup came for lonely_1"
[ "$(grep -c 'no desktop notification service' "$work/host.log")" -eq 1 ] || fail "not one line on stderr about the missing service"
stop_host
mv "$work/host.log" "$work/host-without-service.log"
echo "ok: without a notification service the popup shows, said once on stderr"

# A private session bus with dunst on it, watched by dbus-monitor.
read -r address bus_pid < <(dbus-daemon --session --fork --print-address=1 --print-pid=1 | tr '\n' ' ')
export DBUS_SESSION_BUS_ADDRESS="$address"
dunst > "$work/dunst.log" 2>&1 &
dunst_pid=$!
has_service() {
  dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
    org.freedesktop.DBus.NameHasOwner string:org.freedesktop.Notifications 2>/dev/null | grep -q true
}
wait_for 50 has_service || fail "dunst did not take the notification service: $(cat "$work/dunst.log")"
dbus-monitor --session "type='method_call',interface='org.freedesktop.Notifications',member='Notify'" > "$work/notify.log" 2>&1 &
monitor_pid=$!
sleep 0.5

start_host_window
newcomer fresh_
# summary, body and the id it replaces, of every Notify call
notified() { awk '/member=Notify/{n=0; next} /^   uint32 /{r=$2} /^   string /{n++; gsub(/^   string "|"$/, ""); if (n == 3) s=$0; if (n == 4) print s "|" $0 "|" r}' "$work/notify.log"; }
arrived() { notified | grep -q '^fresh_1|'; }
wait_for 100 arrived || fail "no notification for fresh_1 reached the service: $(cat "$work/notify.log")"
sleep 1
[ "$(notified | grep -c '^fresh_1|')" -eq 1 ] || fail "not one notification for fresh_1: $(notified | tr '\n' ' ')"
notified | grep -qx 'fresh_1|came on line|0' || fail "wrong summary or body: $(notified | tr '\n' ' ')"
grep -A1 'string "desktop-entry"' "$work/notify.log" | grep -q '"com.sorvik.Statuscope"' || fail "no desktop-entry hint"
popup_shown fresh_1 && fail "a popup showed as well"
grep -q 'no desktop notification service' "$work/host.log" && fail "the service was reported missing"
echo "ok: a newcomer is one desktop notification: $(notified | grep fresh_1)"

# A flood: a column of notifications and one summary; the next burst updates it in place.
capacity=$(( $(xwininfo -root | awk '/Height:/{print $2}') / 150 ))
newcomers crowd_ 300
summaries() { notified | grep '^Sorvik Statuscope|'; }
wait_for 100 eval '[ -n "$(summaries)" ]' || fail "300 newcomers gave no summary: $(notified | tail -3 | tr '\n' ' ')"
check_answering 5 "after the flood"
shown=$(notified | grep -c '^crowd_')
[ "$shown" -le "$capacity" ] || fail "$shown notifications for 300 newcomers, beyond a column of $capacity"
# (dbus-monitor may still be writing the call's last fields)
first_summary() { summaries | head -1 | grep -Eq '^Sorvik Statuscope\|[1-9][0-9]* more came on line\|0$'; }
wait_for 30 first_summary || fail "a wrong first summary: $(summaries | head -1)"
newcomers later_ 20
replaced() { summaries | tail -1 | grep -q '|[1-9][0-9]*$'; }
wait_for 100 replaced || fail "the next burst did not update the summary in place: $(summaries | tr '\n' ' ')"
echo "ok: 300 newcomers: $shown notifications and one summary ($(summaries | head -1 | cut -d'|' -f2)), updated in place: $(summaries | tail -1 | cut -d'|' -f2 | tr '\n' ' ')"

