#!/usr/bin/env bash
# Desktop notifications through a real service: dunst on a private D-Bus session bus. With the
# style set to desktop notifications, a performer coming on line gives one notification (the
# name as its summary, "came on line" as its body) and no popup; without a service the host
# says so on stderr once and shows the popup instead.
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
newcomer() {
  { curl -s "http://$site/_sim/performers"; echo "$1 free 7"; } > "$work/performers"
  curl -s -X POST --data-binary @"$work/performers" "http://$site/_sim/performers" > /dev/null
}

# No service at all: one line on stderr, and the popup.
DBUS_SESSION_BUS_ADDRESS="unix:path=$work/no-bus" start_host_window
newcomer lonely_1
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
newcomer fresh_1
# summary and body of every Notify call
notified() { awk '/member=Notify/{n=0; next} /^   string /{n++; gsub(/^   string "|"$/, ""); if (n == 3) s=$0; if (n == 4) print s "|" $0}' "$work/notify.log"; }
arrived() { notified | grep -q '^fresh_1|'; }
wait_for 100 arrived || fail "no notification for fresh_1 reached the service: $(cat "$work/notify.log")"
sleep 1
[ "$(notified | grep -c '^fresh_1|')" -eq 1 ] || fail "not one notification for fresh_1: $(notified | tr '\n' ' ')"
notified | grep -qx 'fresh_1|came on line' || fail "wrong summary or body: $(notified | tr '\n' ' ')"
popup_shown fresh_1 && fail "a popup showed as well"
grep -q 'no desktop notification service' "$work/host.log" && fail "the service was reported missing"
echo "ok: a newcomer is one desktop notification: $(notified | grep fresh_1)"
