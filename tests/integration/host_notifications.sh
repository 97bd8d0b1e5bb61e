#!/usr/bin/env bash
# Desktop notifications through a real service: dunst on a private D-Bus session bus. With the
# style set to desktop notifications, a performer coming on line gives one notification (the
# name as its summary, "came on line" as its body, the program's desktop entry as a hint) and
# no popup; a flood of 300 gives at most a column of notifications and one summary, updated in
# place by the next burst, while the window answers; without a service the host says so on
# stderr once and shows the popup instead. The flood again on xfce4-notifyd, which knows no
# stack tag and shows each notification as a window: still one summary, sent at most once a
# second, the final count last.
#   host_notifications.sh BIN_DIR
set -uo pipefail
bin="$1"
. "$(dirname "$0")/host_test_lib.sh"
require_display
for tool in dbus-daemon dbus-monitor dbus-send dunst xdotool; do
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
dbus-monitor --session "type='method_call',interface='org.freedesktop.Notifications',member='Notify'" \
  "type='signal',interface='org.freedesktop.Notifications',member='NotificationClosed'" > "$work/notify.log" 2>&1 &
monitor_pid=$!
sleep 0.5

start_host_window
newcomer fresh_
# summary, body and the id it replaces, of every Notify call
notified() { awk '/member=Notify$/{n=0; next} /^   uint32 /{r=$2} /^   string /{n++; gsub(/^   string "|"$/, ""); if (n == 3) s=$0; if (n == 4) print s "|" $0 "|" r}' "$work/notify.log"; }
arrived() { notified | grep -q '^fresh_1|'; }
wait_for 100 arrived || fail "no notification for fresh_1 reached the service: $(cat "$work/notify.log")"
sleep 1
[ "$(notified | grep -c '^fresh_1|')" -eq 1 ] || fail "not one notification for fresh_1: $(notified | tr '\n' ' ')"
notified | grep -qx 'fresh_1|came on line|0' || fail "wrong summary or body: $(notified | tr '\n' ' ')"
grep -A1 'string "desktop-entry"' "$work/notify.log" | grep -q '"com.sorvik.Statuscope"' || fail "no desktop-entry hint"
popup_shown fresh_1 && fail "a popup showed as well"
grep -q 'no desktop notification service' "$work/host.log" && fail "the service was reported missing"
echo "ok: a newcomer is one desktop notification: $(notified | grep fresh_1)"

# A flood: a column of notifications and one summary, never sent anew while its id is on its
# way and updated in place at most once a second; the next burst updates it in place.
# dbus-monitor's header line of each call carries its time: "time|summary|body|replaces".
notify_from=1
notify_calls() {
  tail -n "+$notify_from" "$work/notify.log" | awk '/member=Notify$/{n=0; split($0, f, "time="); split(f[2], g, " "); t=g[1]; next}
       /^   uint32 /{r=$2} /^   string /{n++; gsub(/^   string "|"$/, ""); if (n == 3) s=$0; if (n == 4) print t "|" s "|" $0 "|" r}'
}
flood() { # service name, a short word for the performers' names, its process
  local service="$1" tag="$2" pid="$3" capacity shown calls gaps windows sid
  capacity=$(( $(xwininfo -root | awk '/Height:/{print $2}') / 150 ))
  notify_from=$(( $(wc -l < "$work/notify.log") + 1 ))
  summaries() { notify_calls | grep '|Sorvik Statuscope|'; }
  newcomers "crowd_${tag}_" 300
  wait_for 100 eval '[ -n "$(summaries)" ]' || fail "$service: 300 newcomers gave no summary: $(notified | tail -3 | tr "\n" " ")"
  check_answering 5 "$service: after the flood"
  sleep 2.5 # the last count comes within a second
  shown=$(notify_calls | grep -c "|crowd_${tag}_")
  [ "$shown" -le "$capacity" ] || fail "$service: $shown notifications for 300 newcomers, beyond a column of $capacity"
  [ "$(summaries | awk -F'|' '$4 == 0' | wc -l)" -eq 1 ] || fail "$service: more than one new summary: $(summaries | tr '\n' ' ')"
  summaries | head -1 | grep -Eq '\|[1-9][0-9]* more came on line\|0$' || fail "$service: a wrong first summary: $(summaries | head -1)"
  gaps=$(summaries | awk -F'|' 'NR > 1 && $1 - last < 0.9 {print $1 - last} {last = $1}')
  [ -z "$gaps" ] || fail "$service: summaries sooner than a second apart: $(summaries | tr '\n' ' ')"
  [ "$(summaries | tail -1 | cut -d'|' -f3)" = "$(( 300 - shown )) more came on line" ] ||
    fail "$service: the last summary is not the final count: $(summaries | tail -1); calls: $(notify_calls | cut -d"|" -f2- | tr "\n" " ")"
  calls=$(summaries | wc -l)
  windows=""
  if [ "$service" = xfce4-notifyd ]; then
    # It shows each notification as a window of its own.
    windows=$(xdotool search --onlyvisible --pid "$pid" 2>/dev/null | wc -l)
    [ "$windows" -le $(( capacity + 1 )) ] || fail "$service: $windows notification windows for a column of $capacity and a summary"
    windows=", $windows windows on screen"
  fi
  # The next burst: in place, or a summary of its own where the service closed the last one
  # meanwhile (xfce4-notifyd closes them after 10 s).
  sid=$(summaries | tail -1 | cut -d'|' -f4)
  closed() { awk '/member=NotificationClosed$/{getline; print $2}' "$work/notify.log"; }
  newcomers "later_${tag}_" 20
  replaced() {
    [ "$(summaries | wc -l)" -gt "$calls" ] || return 1
    if [ "$sid" = 0 ]; then summaries | tail -1 | grep -q '|[1-9][0-9]*$'; return; fi
    summaries | tail -1 | grep -q "|$sid$" || { closed | grep -qx "$sid" && summaries | tail -1 | grep -q '|0$'; }
  }
  wait_for 100 replaced || fail "$service: the next burst did not update the summary in place: $(summaries | tr '\n' ' '); closed: $(closed | tr '\n' ' ')"
  echo "ok: $service: 300 newcomers: $shown notifications and one summary sent $calls times, a second apart or more$windows; the final count $(summaries | sed -n "${calls}p" | cut -d'|' -f3); the next burst in place"
}
flood dunst dunst "$dunst_pid"
stop_host
kill "$dunst_pid" 2>/dev/null; wait "$dunst_pid" 2>/dev/null; dunst_pid=""

# xfce4-notifyd knows no stack tag: only the ids keep the summary one.
xfce_notifyd=/usr/lib/x86_64-linux-gnu/xfce4/notifyd/xfce4-notifyd
[ -x "$xfce_notifyd" ] || fail "xfce4-notifyd is missing (scripts/setup installs it)"
"$xfce_notifyd" > "$work/xfce4-notifyd.log" 2>&1 &
dunst_pid=$!
wait_for 50 has_service || fail "xfce4-notifyd did not take the notification service: $(cat "$work/xfce4-notifyd.log")"
start_host_window
newcomer first_xfce_
wait_for 100 eval 'notified | grep -q "^first_xfce_1|came on line|0$"' || fail "xfce4-notifyd: no notification for first_xfce_1"
flood xfce4-notifyd xfce "$dunst_pid"
grep -q 'string "Profile"' "$work/notify.log" && fail "a notification still offers a second Profile button"
grep -q 'string "Open profile"' "$work/notify.log" || fail "the default action is not labelled Open profile"
echo "ok: one action a notification, labelled with what a click does"
