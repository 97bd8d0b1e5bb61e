#!/usr/bin/env bash
# The host on headless sway with waybar's StatusNotifierItem tray, as on a wlroots desktop:
# through XWayland (the host's choice) and on native Wayland (layer-shell popups), 3 newcomers
# give 3 whole popups with thumbnails in distinct bottom-right slots, read from the
# compositor's own picture (grim); the tray item is registered with the watcher, its menu's
# first item hides and shows the window, a middle click toggles it, and its Exit ends the
# process with 0; a second start brings the hidden window back. Native Wayland starts without
# GTK criticals and leaves the stored position alone.
#   host_wayland.sh BIN_DIR
set -uo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
if [ -z "${SORVIK_IN_SWAY:-}" ]; then
  for tool in sway waybar grim swaymsg gdbus jq; do
    command -v "$tool" > /dev/null || { echo "$tool is missing (scripts/setup installs it)"; exit 1; }
  done
  SORVIK_IN_SWAY=1 exec "$here/../../scripts/wayland-session" sway --tray "$0" "$@"
fi
bin="$1"
. "$here/host_test_lib.sh"
start_site --performers 10 --no-churn
# The settings, with the lines given as arguments at the end.
write_settings() {
  { hosts_section; printf '[System]\nsyncinterval=1\n[SplashScreen]\nduration=1\n[PopupDialog]\nduration=30\n'
    printf '%s\n' "$@"; } > "$work/Ruvidodur.conf"
}
write_settings

# The sway view of the main window: "shell width height" ("" when it is not mapped).
main_view() {
  swaymsg -t get_tree | jq -r '.. | objects | select(.name? == "Sorvik Statuscope" and .visible == true)
    | "\(.shell) \(.rect.width) \(.rect.height)"' | head -1
}
mapped() { [ -n "$(main_view)" ]; }
unmapped() { [ -z "$(main_view)" ]; }

# 3 newcomers: the compositor's picture shows 3 thumbnails, one above the other, at the
# bottom-right corner of the 1280x800 output.
check_popups() { # prefix desktop
  newcomers "$1" 3
  read -r width height < <(swaymsg -t get_outputs | jq -r '.[0].current_mode | "\(.width) \(.height)"')
  shots() {
    grim "$work/screen.png" || return 1
    for slot in 1 2 3; do thumbnail_at "$work/screen.png" $((width - 150)) $((height - 150 * slot)) || return 1; done
  }
  wait_for 100 shots || fail "$2: no 3 thumbnails in the bottom-right column"
  cp "$work/screen.png" "$work/$2.png"
  echo "ok: $2: 3 newcomers, 3 whole popups with thumbnails in distinct bottom-right slots"
}

# The tray item the watcher holds: sets 'item_bus' and 'item_path'.
find_item() {
  local items
  items=$(gdbus call --session -d org.kde.StatusNotifierWatcher -o /StatusNotifierWatcher \
    -m org.freedesktop.DBus.Properties.Get org.kde.StatusNotifierWatcher RegisteredStatusNotifierItems 2>/dev/null)
  item=$(grep -o "':[0-9.]*/[^']*'" <<< "$items" | head -1 | tr -d "'")
  [ -n "$item" ] || return 1
  item_bus=${item%%/*}
  item_path=/${item#*/}
}
item_property() { gdbus call --session -d "$item_bus" -o "$item_path" -m org.freedesktop.DBus.Properties.Get org.kde.StatusNotifierItem "$1"; }
# The id of the menu item labelled $1, from the exported menu's layout.
menu_id() {
  gdbus call --session -d "$item_bus" -o "$menu_path" -m com.canonical.dbusmenu.GetLayout -- 0 -1 '[]' |
    grep -o "([0-9]*, {[^}]*'label': <'$1'>" | grep -o '^([0-9]*' | tr -d '('
}
click() { gdbus call --session -d "$item_bus" -o "$menu_path" -m com.canonical.dbusmenu.Event -- "$1" clicked '<0>' 0 > /dev/null; }

# Through XWayland (the host prefers the X server where there is one).
start_host_window
check_popups xw sway-xwayland
wait_for 50 find_item || fail "no item registered with the StatusNotifierWatcher"
item_property Id | grep -q "com.sorvik.Statuscope" || fail "the tray item is not ours: $(item_property Id)"
menu_path=$(item_property Menu | grep -o "'/[^']*'" | tr -d "'")
hide=$(menu_id "Hide Window")
[ -n "$hide" ] || fail "the tray menu has no Hide Window item"
click "$hide"
wait_for 50 unmapped || fail "the tray menu's Hide Window left the window shown"
show=$(menu_id "Show Window")
[ "$show" = "$hide" ] || fail "the first item does not offer to show the hidden window"
click "$show"
wait_for 50 mapped || fail "the tray menu's Show Window did not bring the window back"
gdbus call --session -d "$item_bus" -o "$item_path" -m org.kde.StatusNotifierItem.SecondaryActivate 0 0 > /dev/null
wait_for 50 unmapped || fail "a middle click on the tray icon did not hide the window"
# A second start brings the hidden window back, and stays no longer than it takes to ask.
LANG=C.UTF-8 "$bin/sorvik" --no-update --config "$work/Ruvidodur.conf" > "$work/second.log" 2>&1 &
second=$!
wait_for 50 mapped || fail "a second start did not bring the window back"
wait_for 50 eval '! kill -0 $second 2>/dev/null' || fail "the second start did not end"
echo "ok: sway-xwayland: the tray item's menu and middle click hide and show the window, a second start shows it"
click "$(menu_id 'E_xit')"
wait_for 50 host_ended || fail "the tray menu's Exit did not end the process"
wait "$host"; status=$?; host=""
[ "$status" -eq 0 ] || fail "the tray's Exit ended with $status"
echo "ok: sway-xwayland: the tray menu's Exit ends the process with 0"

# Native Wayland: layer-shell popups, the icon still in the tray, no criticals at start.
write_settings '[MainFrame]' x=100 y=50 width=322 height=625
LANG=C.UTF-8 GDK_BACKEND=wayland "$bin/sorvik" --no-update --config "$work/Ruvidodur.conf" >> "$work/host.log" 2>&1 &
host=$!
wait_for 100 mapped || fail "native Wayland: no main window"
[ "$(main_view | cut -d' ' -f1)" = xdg_shell ] || fail "native Wayland: the window is $(main_view)"
check_popups wl sway-wayland
wait_for 50 find_item || fail "native Wayland: no tray item"
! grep -a -q "CRITICAL" "$work/host.log" || fail "native Wayland: GTK criticals: $(grep -a CRITICAL "$work/host.log" | head -3)"
stop_host
grep -q '^x=100$' "$work/Ruvidodur.conf" && grep -q '^y=50$' "$work/Ruvidodur.conf" ||
  fail "native Wayland overwrote the stored position: $(grep -A4 MainFrame "$work/Ruvidodur.conf")"
echo "ok: sway-wayland: the tray item is there, no GTK criticals, the stored position is kept"
