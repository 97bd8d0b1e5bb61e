#!/usr/bin/env bash
# The host updates its plug-in from the simulated site: the site offers a later build of the
# plug-in with a skin, a catalogue and a manifest, signed with scripts/sign-release; the user
# says Yes; the host puts the new library in place, starts again, and the new plug-in (which
# reports version 1.4.0) runs with the companions installed. The same offer without a statement
# is never asked about, written or loaded. A signed plug-in cut short is not installed (the
# running one goes on), and an installed one that does not load gives way to the one it replaced.
#   host_update.sh BIN_DIR
set -uo pipefail
bin="$1"
. "$(dirname "$0")/host_test_lib.sh"
require_display
require_signing

write_settings() { printf '[Hosts]\nmain=%s\nimage=%s\n[SplashScreen]\nduration=1\n' "$site" "$site" > "$work/Ruvidodur.conf"; }
make_app
cp "$bin/sorvik.skin" "$work/offer/skin"
cp "$bin/ja/LC_MESSAGES/sorvik.mo" "$work/offer/mo"
printf '<assembly manifestVersion="1.0"/>\n' > "$work/offer/manifest"
"$(dirname "$0")/../../scripts/sign-release" --key "$SORVIK_SIGNING_KEY" "$work/offer" > /dev/null ||
  fail "sign-release could not sign the offer"
grep -qx 'version 1.4.0' "$work/offer/signature" || fail "the statement does not name the plug-in's version"

# Unsigned: the host runs on as it is and says why once.
start_site --performers 10 --no-churn --update-dir "$work/offer" --offered-version 1.4.0 --release unsigned
write_settings
LANG=C.UTF-8 LANGUAGE= "$app/sorvik" --config "$work/Ruvidodur.conf" > "$work/host.log" 2>&1 &
host=$!
wait_for 150 xdotool search --onlyvisible --name "^Sorvik Statuscope$" > /dev/null || fail "no main window"
grep -q "^sorvik: update 1.4.0 refused: no signed statement$" "$work/host.log" || fail "no line about the unsigned update"
xdotool search --name "^Confirm$" > /dev/null && fail "an unsigned update was asked about"
[ -z "$(find "$app" -name '*.new')" ] || fail "an unsigned update left files: $(find "$app" -name '*.new')"
cmp -s "$app/sorvik.so" "$bin/sorvik.so" || fail "an unsigned update replaced the plug-in"
stop_host
kill "$sim" 2>/dev/null; wait "$sim" 2>/dev/null
echo "ok: an unsigned update is not asked about, written or loaded"

start_site --performers 10 --no-churn --update-dir "$work/offer" --offered-version 1.4.0
write_settings

LANG=C.UTF-8 LANGUAGE= "$app/sorvik" --config "$work/Ruvidodur.conf" > "$work/host.log" 2>&1 &
host=$!

wait_for 150 xdotool search --name "^Confirm$" > /dev/null || fail "no confirmation box"
box=$(xdotool search --name "^Confirm$" | head -1)
[ -f "$app/sorvik.so.new" ] || fail "the new plug-in was not downloaded before asking"
curl -s "http://$site/_sim/log" | grep -Eq "type=(skin|mo|manifest)" && fail "companions fetched before the user agreed"
# A second start with the same settings while the question is open leaves the download alone.
LANG=C.UTF-8 LANGUAGE= "$app/sorvik" --config "$work/Ruvidodur.conf" > "$work/second.log" 2>&1
grep -q "already running" "$work/second.log" || fail "the second start did not see the first: $(cat "$work/second.log")"
[ -f "$app/sorvik.so.new" ] || fail "the second start removed the update the first is asking about"
xdotool windowfocus --sync "$box" key Return
wait_for 150 xdotool search --name "^Sorvik Statuscope$" > /dev/null || fail "no main window after the update"
grep -q "starting again" "$work/host.log" || fail "the host did not start again"
kill -0 "$host" 2>/dev/null || fail "the host is gone"

log=$(curl -s "http://$site/_sim/log")
for type in skin mo manifest; do
  grep -q "update.cgi?version=1.3.0&type=$type" <<< "$log" || fail "no request for the $type"
done
grep -q "update.cgi?version=1.4.0" <<< "$log" || fail "the restarted host did not run the new plug-in"
cmp -s "$app/sorvik.so" "$work/offer/plugin" || fail "the plug-in was not replaced"
cmp -s "$app/sorvik.skin" "$work/offer/skin" || fail "the skin was not installed"
cmp -s "$app/ja/LC_MESSAGES/sorvik.mo" "$work/offer/mo" || fail "the catalogue was not installed"
cmp -s "$app/sorvik.manifest" "$work/offer/manifest" || fail "the manifest was not installed"
leftover=$(find "$app" -name '*.new')
[ -z "$leftover" ] || fail "files left pending: $leftover"
echo "ok: updated to the offered plug-in and its companions, running again"
retries=$(grep -c "Unable to initialize GTK" "$work/host.log")
[ "$retries" -eq 0 ] || echo "note: the display refused the restarted host $retries time(s); it tried again"

kill -TERM "$host"
wait_for 100 host_ended || fail "the host did not end on SIGTERM"
wait "$host"; status=$?; host=""
[ "$status" -eq 0 ] || fail "the host exited with $status"
echo "ok: the updated host ended cleanly"

# A signed plug-in cut short (a release made of a broken build).
kill "$sim" 2>/dev/null; wait "$sim" 2>/dev/null
make_app
head -c 200000 "$bin/sorvik-next.so" > "$work/offer/plugin"
rm -f "$work/offer/signature" # the site signs it as it is
start_site --performers 10 --no-churn --update-dir "$work/offer" --offered-version 1.4.0
write_settings
: > "$work/host.log"
LANG=C.UTF-8 LANGUAGE= "$app/sorvik" --config "$work/Ruvidodur.conf" >> "$work/host.log" 2>&1 &
host=$!
wait_for 150 xdotool search --name "^Confirm$" > /dev/null || fail "no confirmation box for the cut plug-in"
xdotool windowfocus --sync "$(xdotool search --name "^Confirm$" | head -1)" key Return
wait_for 150 xdotool search --name "^Sorvik Statuscope$" > /dev/null || fail "no main window after a cut update"
grep -q "does not load (cut short?): not installed" "$work/host.log" || fail "no line about the cut plug-in: $(cat "$work/host.log")"
cmp -s "$app/sorvik.so" "$bin/sorvik.so" || fail "the cut plug-in replaced the working one"
grep -q "starting again" "$work/host.log" && fail "the host started again on a cut plug-in"
stop_host
echo "ok: a plug-in cut short is not installed; the working one runs on"

# An installed plug-in that does not load: the one it replaced comes back, once, said so.
cp "$bin/sorvik.so" "$app/sorvik.so.previous"
head -c 200000 "$bin/sorvik-next.so" > "$app/sorvik.so"
: > "$work/host.log"
LANG=C.UTF-8 LANGUAGE= "$app/sorvik" --no-update --config "$work/Ruvidodur.conf" >> "$work/host.log" 2>&1 &
host=$!
wait_for 150 xdotool search --name "^Sorvik Statuscope$" > /dev/null || fail "no main window on the previous plug-in"
grep -q "does not load: going back to the previous one" "$work/host.log" || fail "no line about going back"
cmp -s "$app/sorvik.so" "$bin/sorvik.so" || fail "the previous plug-in was not put back"
stop_host
echo "ok: a plug-in that does not load gives way to the previous one"

