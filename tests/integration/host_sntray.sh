#!/usr/bin/env bash
# On an X11 desktop whose panel shows StatusNotifierItems (xfce4-panel 4.18, on a private
# session bus): the icon is an item registered with the panel's watcher, not an XEmbed icon;
# its menu's first item hides and shows the window, and its Exit ends the process with 0.
#   host_sntray.sh BIN_DIR
set -uo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
if [ -z "${SORVIK_IN_BUS:-}" ]; then
  command -v xfce4-panel > /dev/null || { echo "xfce4-panel is missing (scripts/setup installs it)"; exit 1; }
  SORVIK_IN_BUS=1 exec dbus-run-session -- "$0" "$@"
fi
bin="$1"
. "$here/host_test_lib.sh"
require_display
# The panel's own default layout (its systray plugin holds the watcher), in the work folder.
XDG_CONFIG_HOME="$work/config" xfce4-panel > "$work/panel.log" 2>&1 &
panel=$!
trap 'cleanup; kill "$panel" 2>/dev/null' EXIT
watcher() { gdbus call --session -d org.freedesktop.DBus -o / -m org.freedesktop.DBus.NameHasOwner org.kde.StatusNotifierWatcher 2>/dev/null | grep -q true; }
wait_for 100 watcher || fail "xfce4-panel's watcher did not start: $(cat "$work/panel.log")"

start_site --performers 10 --no-churn
{ hosts_section; printf '[System]\nsyncinterval=1\n[SplashScreen]\nduration=1\n'; } > "$work/Ruvidodur.conf"
start_host_window
mapped() { xdotool search --onlyvisible --name "^Sorvik Statuscope$" > /dev/null; }
unmapped() { ! mapped; }
check_tray_toggle
check_tray_exit
echo "ok: xfce4-panel's status tray: the item's menu hides and shows the window, Exit ends with 0"
