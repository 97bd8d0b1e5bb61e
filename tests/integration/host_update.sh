#!/usr/bin/env bash
# The host updates its plug-in from the simulated site: the site offers a later build of the
# plug-in with a skin, a catalogue and a manifest; the user says Yes; the host puts the new
# library in place, starts again, and the new plug-in (which reports version 1.4.0) runs with
# the companions installed.
#   host_update.sh BIN_DIR
set -uo pipefail
bin="$1"
work=$(mktemp -d /tmp/sorvik-update-XXXXXX)
sim="" host=""
cleanup() {
  [ -n "$host" ] && kill "$host" 2>/dev/null
  [ -n "$sim" ] && kill "$sim" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; echo "--- host output"; cat "$work/host.log" 2>/dev/null; exit 1; }
wait_for() {
  local tenths="$1"; shift
  for _ in $(seq "$tenths"); do "$@" && return 0; sleep 0.1; done
  return 1
}
command -v xdotool > /dev/null || { echo "xdotool is missing"; exit 1; }
[ -n "${DISPLAY:-}" ] || { echo "no display"; exit 1; }

# An installation of its own, since the update rewrites files beside the host.
app="$work/app"
mkdir -p "$app" "$work/offer"
cp "$bin/sorvik" "$bin/sorvik.so" "$bin/sorvik.skin" "$app/"
cp "$bin/sorvik-next.so" "$work/offer/plugin"
cp "$bin/sorvik.skin" "$work/offer/skin"
printf 'catalogue %s\n' "$RANDOM" > "$work/offer/mo"
printf '<assembly manifestVersion="1.0"/>\n' > "$work/offer/manifest"

"$bin/sitesim" --port 0 --performers 10 --no-churn --update-dir "$work/offer" \
  --offered-version 1.4.0 > "$work/sim.log" 2>&1 &
sim=$!
wait_for 50 grep -q "listening on" "$work/sim.log" || fail "the simulated site did not start"
site=$(sed -n 's/.*listening on //p' "$work/sim.log")
cat > "$work/Ruvidodur.conf" <<CONF
[Hosts]
main=$site
image=$site
[SplashScreen]
duration=1
CONF

LANG=C.UTF-8 LANGUAGE= "$app/sorvik" --config "$work/Ruvidodur.conf" > "$work/host.log" 2>&1 &
host=$!

wait_for 150 xdotool search --name "^Confirm$" > /dev/null || fail "no confirmation box"
box=$(xdotool search --name "^Confirm$" | head -1)
[ -f "$app/sorvik.so.new" ] || fail "the new plug-in was not downloaded before asking"
curl -s "http://$site/_sim/log" | grep -q "type=" && fail "companions fetched before the user agreed"
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

kill -TERM "$host"
wait_for 100 bash -c "! kill -0 $host 2>/dev/null" || fail "the host did not end on SIGTERM"
wait "$host"; status=$?; host=""
[ "$status" -eq 0 ] || fail "the host exited with $status"
echo "ok: the updated host ended cleanly"
