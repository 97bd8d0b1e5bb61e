#!/usr/bin/env bash
# The host on headless weston through XWayland: 3 newcomers give 3 whole popups with thumbnails
# in distinct bottom-right slots, read from the compositor's own picture (its screenshooter),
# and none of them over the main window.
#   host_weston.sh BIN_DIR
set -uo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
if [ -z "${SORVIK_IN_WESTON:-}" ]; then
  for tool in weston weston-screenshooter xwininfo convert; do
    command -v "$tool" > /dev/null || { echo "$tool is missing (scripts/setup installs it)"; exit 1; }
  done
  SORVIK_IN_WESTON=1 exec "$here/../../scripts/wayland-session" weston "$0" "$@"
fi
bin="$1"
. "$here/host_test_lib.sh"
start_site --performers 10 --no-churn
{ hosts_section; printf '[System]\nsyncinterval=1\n[SplashScreen]\nduration=1\n[PopupDialog]\nduration=30\n'; } \
  > "$work/Ruvidodur.conf"
start_host_window

# The compositor's picture: the screenshooter writes into the folder it runs in.
shot() {
  rm -f "$work"/shots/*.png
  mkdir -p "$work/shots"
  (cd "$work/shots" && weston-screenshooter > /dev/null 2>&1)
  local png
  png=$(ls "$work"/shots/*.png 2>/dev/null | head -1)
  [ -n "$png" ] && mv "$png" "$work/screen.png"
}
newcomers wn 3
read -r width height < <(xwininfo -root | awk '/Width:/ { w = $2 } /Height:/ { h = $2 } END { print w, h }')
shots() {
  shot || return 1
  for slot in 1 2 3; do thumbnail_at "$work/screen.png" $((width - 150)) $((height - 150 * slot)) || return 1; done
}
wait_for 100 shots || fail "weston: no 3 thumbnails in the bottom-right column"
echo "ok: weston-xwayland: 3 newcomers, 3 whole popups with thumbnails in distinct bottom-right slots"

# The main window's centre is not covered: its pixel there is no popup's.
read -r x y w h < <(xwininfo -id "$window" | awk '/Absolute upper-left X:/ { x = $4 } /Absolute upper-left Y:/ { y = $4 }
  /Width:/ { w = $2 } /Height:/ { h = $2 } END { print x, y, w, h }')
if [ $((x + w / 2)) -lt $((width - 150)) ] || [ $((y + h / 2)) -lt $((height - 450)) ]; then
  echo "ok: weston-xwayland: the main window's centre is clear of the popups"
else
  fail "weston: the main window ($x,$y ${w}x$h) lies under the popup column"
fi
stop_host
