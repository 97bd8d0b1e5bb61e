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

# The sway view of the main window: "shell width height name" ("" when it is not mapped), the
# name being the Wayland app id or the X11 window's class.
main_view() {
  swaymsg -t get_tree | jq -r '.. | objects | select(.name? == "Sorvik Statuscope" and .visible == true)
    | "\(.shell) \(.rect.width) \(.rect.height) \(.app_id // .window_properties.class)"' | head -1
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

# Through XWayland (the host prefers the X server where there is one).
start_host_window
check_popups xw sway-xwayland
[ "$(main_view | cut -d' ' -f4-)" = "Sorvik Statuscope" ] || fail "XWayland: the window's class is not the desktop entry's: $(main_view)"
check_tray_toggle
gdbus call --session -d "$item_bus" -o "$item_path" -m org.kde.StatusNotifierItem.SecondaryActivate 0 0 > /dev/null
wait_for 50 unmapped || fail "a middle click on the tray icon did not hide the window"
# A second start brings the hidden window back, and stays no longer than it takes to ask.
LANG=C.UTF-8 "$bin/sorvik" --no-update --config "$work/Ruvidodur.conf" > "$work/second.log" 2>&1 &
second=$!
wait_for 50 mapped || fail "a second start did not bring the window back"
wait_for 50 eval '! kill -0 $second 2>/dev/null' || fail "the second start did not end"
echo "ok: sway-xwayland: the tray item's menu and middle click hide and show the window, a second start shows it"
check_tray_exit
echo "ok: sway-xwayland: the tray menu's Exit ends the process with 0"

# Native Wayland: layer-shell popups, the icon still in the tray, no criticals at start.
write_settings '[MainFrame]' x=100 y=50 width=322 height=625
LANG=C.UTF-8 GDK_BACKEND=wayland "$bin/sorvik" --no-update --config "$work/Ruvidodur.conf" >> "$work/host.log" 2>&1 &
host=$!
wait_for 100 mapped || fail "native Wayland: no main window"
[ "$(main_view | cut -d' ' -f1,4)" = "xdg_shell com.sorvik.Statuscope" ] || fail "native Wayland: the window is $(main_view)"
check_popups wl sway-wayland
wait_for 50 find_item || fail "native Wayland: no tray item"
! grep -a -q "CRITICAL" "$work/host.log" || fail "native Wayland: GTK criticals: $(grep -a CRITICAL "$work/host.log" | head -3)"
stop_host
grep -q '^x=100$' "$work/Ruvidodur.conf" && grep -q '^y=50$' "$work/Ruvidodur.conf" ||
  fail "native Wayland overwrote the stored position: $(grep -A4 MainFrame "$work/Ruvidodur.conf")"
echo "ok: sway-wayland: the tray item is there, no GTK criticals, the stored position is kept"
