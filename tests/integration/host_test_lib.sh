# Shared by the host's end-to-end scripts: a work folder, the simulated site, the host, and
# waiting. Source it after setting 'bin' (the build's bin folder).
work=$(mktemp -d /tmp/sorvik-host-XXXXXX)
# The product's own data (rules, Recent) in the work folder, never the user's.
export XDG_DATA_HOME="$work/data"
sim="" host=""

stop_host() {
  [ -n "$host" ] || return 0
  # Politely first: the host saves its settings into the work folder as it ends.
  kill -TERM "$host" 2>/dev/null
  for _ in $(seq 50); do kill -0 "$host" 2>/dev/null || break; sleep 0.1; done
  kill -KILL "$host" 2>/dev/null
  wait "$host" 2>/dev/null
  host=""
}
cleanup() {
  stop_host
  [ -n "$sim" ] && kill "$sim" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*"
  echo "--- host output"
  cat "$work/host.log" 2>/dev/null
  exit 1
}

# Waits up to $1 tenths of a second for the command in the remaining arguments to succeed.
wait_for() {
  local tenths="$1"; shift
  for _ in $(seq "$tenths"); do "$@" && return 0; sleep 0.1; done
  return 1
}

require_display() {
  command -v xdotool > /dev/null || { echo "xdotool is missing (scripts/setup installs it)"; exit 1; }
  [ -n "${DISPLAY:-}" ] || { echo "no display"; exit 1; }
}

# An update only a build with a throw-away key can sign: without one, the test is skipped (77).
require_signing() {
  [ -n "${SORVIK_SIGNING_KEY:-}" ] && return 0
  echo "skipped: this build trusts the release keys only (configure with SORVIK_UPDATE_KEYS=throwaway)"
  exit 77
}

# Starts the simulated site with the given options; sets 'site' to its host:port.
# It signs the update it offers with the build's throw-away key, when the build has one.
start_site() {
  local signing=()
  [ -n "${SORVIK_SIGNING_KEY:-}" ] && signing=(--signing-key "$SORVIK_SIGNING_KEY")
  "$bin/sitesim" --port 0 "${signing[@]}" "$@" > "$work/sim.log" 2>&1 &
  sim=$!
  wait_for 50 grep -qs "listening on" "$work/sim.log" || fail "the simulated site did not start"
  site=$(sed -n 's/.*listening on //p' "$work/sim.log")
}

host_ended() { ! kill -0 "$host" 2>/dev/null; }

reports_after() { [ "$(grep -c '^end$' "$work/host.log")" -gt "$1" ]; }
# The host's description of its windows (printed on SIGUSR1) into $work/report.
report() {
  local before
  before=$(grep -c '^end$' "$work/host.log")
  kill -USR1 "$host" 2>/dev/null || fail "the host has ended"
  wait_for 30 reports_after "$before" || return 1
  awk -v n="$before" '/^window /{ if (c == n) keep = 1 } keep { print } /^end$/{ c++; if (keep) exit }' \
    "$work/host.log" > "$work/report"
}

# An installation of its own in $work/app, with the later plug-in offered in $work/offer: the
# update writes beside the host.
make_app() {
  app="$work/app"
  mkdir -p "$app" "$work/offer"
  cp "$bin/sorvik" "$bin/sorvik.so" "$bin/sorvik.skin" "$app/"
  cp "$bin/sorvik-next.so" "$work/offer/plugin"
}

# The [Hosts] section that sends the plug-in's list, image and update requests to the site.
hosts_section() { printf '[Hosts]\nmain=%s\nimage=%s\nproduct=%s\n' "$site" "$site" "$site"; }

# Starts the host in English on $work/Ruvidodur.conf and waits for its main window; sets 'host'
# and 'window'.
start_host_window() {
  LANG=C.UTF-8 LANGUAGE= "$bin/sorvik" --no-update --config "$work/Ruvidodur.conf" >> "$work/host.log" 2>&1 &
  host=$!
  wait_for 100 xdotool search --onlyvisible --name "^Sorvik Statuscope$" > /dev/null || fail "no main window"
  window=$(xdotool search --onlyvisible --name "^Sorvik Statuscope$" | head -1)
}

# Whether a shown window of the report holds the text NAME (a popup for that performer).
popup_shown() { report && awk -v t="text \"$1\"" '/^window /{w=$0} index($0, t){print w}' "$work/report" | grep -q 'shown=1'; }

# Adds COUNT free performers named PREFIX1, PREFIX2... to the site's list.
newcomers() { # prefix count
  { curl -s "http://$site/_sim/performers"; for i in $(seq "$2"); do echo "$1$i free 7"; done; } > "$work/performers"
  curl -s -X POST -H "Content-Type: text/plain" --data-binary @"$work/performers" "http://$site/_sim/performers" > /dev/null
}

# Whether the picture FILE shows a thumbnail's light disc at the centre of the 150x150 popup
# whose corner is at X Y (not the grey placeholder).
thumbnail_at() { # file x y
  local pixel r g b
  pixel=$(convert "$1" -crop "1x1+$(($2 + 75))+$(($3 + 79))" -format '%[fx:int(255*r)] %[fx:int(255*g)] %[fx:int(255*b)]' info:)
  read -r r g b <<< "$pixel"
  [ $((r > 215 && g > 175 && g < 225 && b > 155 && b < 205)) -eq 1 ]
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
# The item is ours, and its menu's first item hides the window and then shows it again; the
# caller defines 'mapped' and 'unmapped'. Sets 'menu_path'.
check_tray_toggle() {
  wait_for 50 find_item || fail "no item registered with the StatusNotifierWatcher"
  item_property Id | grep -q "com.sorvik.Statuscope" || fail "the tray item is not ours: $(item_property Id)"
  menu_path=$(item_property Menu | grep -o "'/[^']*'" | tr -d "'")
  local hide show
  hide=$(menu_id "Hide Window")
  [ -n "$hide" ] || fail "the tray menu has no Hide Window item"
  click "$hide"
  wait_for 50 unmapped || fail "the tray menu's Hide Window left the window shown"
  show=$(menu_id "Show Window")
  [ "$show" = "$hide" ] || fail "the first item does not offer to show the hidden window"
  click "$show"
  wait_for 50 mapped || fail "the tray menu's Show Window did not bring the window back"
}
# The tray menu's Exit ends the host with 0.
check_tray_exit() {
  click "$(menu_id 'E_xit')"
  wait_for 50 host_ended || fail "the tray menu's Exit did not end the process"
  wait "$host"; local status=$?; host=""
  [ "$status" -eq 0 ] || fail "the tray's Exit ended with $status"
}

# Asks for a report N times, 0.2 s apart: fails when one takes over a second (WHEN says when).
check_answering() { # count when
  local slow=0 start
  for _ in $(seq "$1"); do
    start=$(date +%s%N)
    report || fail "the window did not answer"
    [ $(( ($(date +%s%N) - start) / 1000000 )) -lt 1000 ] || slow=$((slow + 1))
    sleep 0.2
  done
  [ "$slow" -eq 0 ] || fail "the window took over a second to answer $slow times $2"
}
