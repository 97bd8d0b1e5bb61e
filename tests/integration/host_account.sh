#!/usr/bin/env bash
# The account and the favourites through the real host. With a Secret Service (gnome-keyring on
# a private session bus): a password left in the settings file moves into the keyring at start
# and signs in; the next start signs in from the keyring alone; a password typed in the account
# dialog goes to the keyring, never to the file. Without a service the file keeps it, as
# before, and one line says so. Without any account: a performer added from the tree's menu
# shows on the Favorite page and is there after a restart; export and import round-trip.
#   host_account.sh BIN_DIR
set -uo pipefail
bin="$1"
. "$(dirname "$0")/host_test_lib.sh"
require_display
for tool in dbus-daemon gnome-keyring-daemon secret-tool; do
  command -v "$tool" > /dev/null || { echo "$tool is missing (scripts/setup installs it)"; exit 1; }
done
bus_pid="" keyring_pid=""
trap 'cleanup; for p in $keyring_pid $bus_pid; do kill "$p" 2>/dev/null; done' EXIT

start_site --performers 5 --no-churn --account pat:secret1:kami1,kami2
conf="$work/Ruvidodur.conf"
write_config() { # [account lines]
  { printf '%s' "${1:-}"; hosts_section; printf '[System]\nsyncinterval=1\n[SplashScreen]\nduration=1\n'; } > "$conf"
  chmod 600 "$conf"
}
favorite_shown() { report && grep -q 'page "Favorite" selected=[01] enabled=1' "$work/report" && grep -q "performer \"$1\"" "$work/report"; }
no_password_in_file() { ! grep -q '^password' "$conf"; }
in_keyring() { [ "$(secret-tool lookup host "$site" user pat 2>/dev/null)" = "$1" ]; }

# A private session bus with an unlocked keyring of its own in the work folder.
read -r address bus_pid < <(dbus-daemon --session --fork --print-address=1 --print-pid=1 | tr '\n' ' ')
export DBUS_SESSION_BUS_ADDRESS="$address"
mkdir -p "$work/run" && chmod 700 "$work/run"
eval "$(echo -n unlock | XDG_RUNTIME_DIR="$work/run" gnome-keyring-daemon --unlock --components=secrets)"
keyring_pid=${GNOME_KEYRING_PID:-}
[ -n "$keyring_pid" ] || keyring_pid=$(pgrep -n -f "gnome-keyring-daemon --unlock")

write_config $'id=pat\npassword=secret1\n'
start_host_window
wait_for 100 favorite_shown kami1 || fail "the stored account did not sign in at start"
wait_for 50 no_password_in_file || fail "the password stayed in the settings file: $(cat "$conf")"
in_keyring secret1 || fail "the keyring does not hold the password: $(secret-tool search --all host "$site" 2>&1)"
stop_host
no_password_in_file || fail "the password came back into the settings file at exit"
echo "ok: the password in the settings file moved into the keyring at start"

start_host_window
wait_for 100 favorite_shown kami1 || fail "no sign-in at start with the keyring's password"
stop_host
echo "ok: the next start signed in with the keyring's password"

# The site now wants another password: the account dialog asks, and the keyring takes it.
curl -s -d '' "http://$site/_sim/account?user=pat&password=secret2&favorites=kami1,kami2" > /dev/null
start_host_window
sleep 2
xdotool windowactivate --sync "$window" key --clearmodifiers alt+t sleep 0.3 key u
dialog_window() { xdotool search --onlyvisible --name "^Authentication$" 2>/dev/null | head -1; }
wait_for 50 dialog_window > /dev/null || fail "no account dialog"
report
grep -q '^window wxDialog "Authentication" shown=1 .* minimize=0 maximize=0' "$work/report" ||
  fail "the account dialog is not a plain dialog: $(grep '^window' "$work/report")"
grep -q "text \"Your account on $site\." "$work/report" || fail "the account dialog does not name the site: $(grep 'text ' "$work/report")"
xdotool windowactivate --sync "$(dialog_window)" key --clearmodifiers Tab ctrl+a type secret2
xdotool key --clearmodifiers Return
wait_for 100 favorite_shown kami2 || fail "the account typed in the dialog did not load the favourites"
wait_for 50 in_keyring secret2 || fail "the keyring does not hold the typed password"
no_password_in_file || fail "the typed password went into the settings file"
stop_host
echo "ok: the password typed in the account dialog went to the keyring, not the file"

# No Secret Service: the file keeps the password as before, said once.
write_config $'id=pat\npassword=secret2\n'
: > "$work/host.log"
DBUS_SESSION_BUS_ADDRESS="unix:path=$work/no-bus" start_host_window
wait_for 100 favorite_shown kami1 || fail "without a keyring the stored account did not sign in"
stop_host
grep -q '^password=secret2$' "$conf" || fail "without a keyring the password left the settings file"
[ "$(grep -c 'no keyring answers' "$work/host.log")" -eq 1 ] || fail "not one line about the missing keyring"
[ "$(stat -c %a "$conf")" = 600 ] || fail "the settings holding the password are readable by others"
echo "ok: without a keyring the password stays in the settings file (mode 600), said once"

# No account at all: the user's own favourites.
export DBUS_SESSION_BUS_ADDRESS="unix:path=$work/no-bus"
# (the file chooser keeps its settings in memory without a bus)
export GSETTINGS_BACKEND=memory
write_config
start_host_window
loaded() { report && grep -q 'tree-item "Online (5)"' "$work/report"; }
wait_for 100 loaded || fail "the list did not load"
first=$(grep -m1 -A1 'tree-item "Online (5)"' "$work/report" | sed -n 's/.*performer "\(.*\)"/\1/p')
# The first performer of "All", and its menu from the keyboard: Profile, Add to Favorites.
xdotool windowactivate --sync "$window" mousemove --window "$window" --sync 60 110 click 1 \
  key Down sleep 0.3 key Menu sleep 0.5 key Down Down Return
wait_for 50 favorite_shown "$first" || fail "$first added to the favourites is not on the Favorite page"
grep -q 'tree-item "Online (1)"' "$work/report" || fail "$first is not shown on line: $(grep tree-item "$work/report")"
stop_host
start_host_window
wait_for 100 favorite_shown "$first" || fail "$first is no longer a favourite after a restart"
[ "$(cat "$XDG_DATA_HOME/sorvik-statuscope/favorites")" = "$first" ] || fail "the favourites file holds: $(cat "$XDG_DATA_HOME/sorvik-statuscope/favorites")"
[ "$(stat -c %a "$XDG_DATA_HOME/sorvik-statuscope/favorites")" = 600 ] || fail "the favourites file is readable by others"
grep -q '^favorites' "$conf" && fail "the user's own favourites went into the settings' \"/favorites\""
echo "ok: $first, added without an account, is on the Favorite page and stays after a restart"

# File > Export, then File > Import of another list: names kept, a bad line skipped.
message_box() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1; }
xdotool windowactivate --sync "$window" key --clearmodifiers alt+f sleep 0.3 key e
wait_for 50 message_box "Export Favorites" > /dev/null || fail "no export dialog"
xdotool windowactivate --sync "$(message_box "Export Favorites")" key ctrl+a type "$work/out.txt"
xdotool key Return
wait_for 50 test -s "$work/out.txt" || fail "nothing exported"
[ "$(cat "$work/out.txt")" = "$first" ] || fail "the export holds: $(cat "$work/out.txt")"
wait_for 50 message_box "Export Favorites" > /dev/null && xdotool windowactivate --sync "$(message_box "Export Favorites")" key Return
printf 'kami9\r\n  extra_1  \nnot a name!\n\n%s\n' "$first" > "$work/in.txt"
sleep 0.5
xdotool windowactivate --sync "$window" key --clearmodifiers alt+f sleep 0.3 key i
wait_for 50 message_box "Import Favorites" > /dev/null || fail "no import dialog"
xdotool windowactivate --sync "$(message_box "Import Favorites")" type "$work/in.txt"
sleep 0.3
xdotool key Return
wait_for 50 favorite_shown kami9 || fail "the imported kami9 is not on the Favorite page"
grep -q 'performer "extra_1"' "$work/report" || fail "the imported extra_1 is not on the Favorite page"
[ "$(sort "$XDG_DATA_HOME/sorvik-statuscope/favorites" | tr '\n' ' ')" = "$(printf '%s\n' extra_1 kami9 "$first" | sort | tr '\n' ' ')" ] ||
  fail "after the import the favourites are: $(cat "$XDG_DATA_HOME/sorvik-statuscope/favorites")"
wait_for 50 message_box "Import Favorites" > /dev/null && xdotool windowactivate --sync "$(message_box "Import Favorites")" key Return
stop_host
echo "ok: export wrote $first; import added kami9 and extra_1, skipped the bad line and the known name"
