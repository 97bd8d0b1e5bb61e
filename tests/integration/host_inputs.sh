#!/usr/bin/env bash
# Bad input from files and the site, one table: each case gives the real host one input and
# expects its own result, then for every case no toolkit dialog (an assertion or log box), a
# resident size under the limit, and SIGTERM ending the process with 0 within 5 s.
#   host_inputs.sh BIN_DIR
set -uo pipefail
bin="$1"
. "$(dirname "$0")/host_test_lib.sh"
require_display
start_site --performers 12 --no-churn
make_app
conf="$work/Ruvidodur.conf"
# The sanitizer's shadow memory comes on top of what the program uses.
limit_mb=300
ldd "$app/sorvik" | grep -q libasan && limit_mb=900

write_settings() {
  { hosts_section; printf '[System]\nsyncinterval=1\n[SplashScreen]\nduration=1\n[PopupDialog]\nduration=2\n'; } > "$conf"
  chmod 600 "$conf"
}
sim_fault() { curl -s -d '' "http://$site/_sim/fault?route=$1&fault=$2" > /dev/null; }
toolkit_box() { xdotool search --onlyvisible --name "assert|Assert|Error|Warning" 2>/dev/null | head -1; }
main_shown() { xdotool search --onlyvisible --name "^Sorvik Statuscope" > /dev/null 2>&1; }
said() { grep -a -q "$1" "$work/host.log"; }
all_count() { report && sed -n 's/.*tree-item "Online (\([0-9]*\))".*/\1/p' "$work/report" | head -1; }

# The inputs: each prepares the files or the site before the start...
prepare_catalogue_cut() { mkdir -p "$app/ja/LC_MESSAGES"; head -c 2000 "$bin/ja/LC_MESSAGES/sorvik.mo" > "$app/ja/LC_MESSAGES/sorvik.mo"; }
prepare_catalogue_arguments() {
  mkdir -p "$app/ja/LC_MESSAGES"
  sed 's/^msgstr "ほかに %d 人がオンライン"$/msgstr "ほかに %s 人がオンライン"/' \
    "$(dirname "$0")/../../assets/po/ja.po" > "$work/bad.po"
  msgfmt -o "$app/ja/LC_MESSAGES/sorvik.mo" "$work/bad.po"
}
prepare_settings_open() {
  chmod 666 "$conf"
  echo "precious" > "$work/target"
  rm -f "$conf.lock"
  ln -s "$work/target" "$conf.lock"
}
prepare_settings_random() { head -c 4096 /dev/urandom > "$conf"; chmod 600 "$conf"; }
prepare_skin_bomb() {
  # One entry inflating 2 MB of deflated zeros to 200 MB, beside the real skin's pictures.
  python3 - "$bin/sorvik.skin" "$app/sorvik.skin" <<'PY'
import sys, zipfile
with zipfile.ZipFile(sys.argv[1]) as src, zipfile.ZipFile(sys.argv[2], "w", zipfile.ZIP_DEFLATED) as out:
    for item in src.infolist():
        out.writestr(item, src.read(item.filename))
    with out.open("PopupDialog_profileImage_huge.png", "w") as big:
        zeros = bytes(1 << 20)
        for _ in range(200):
            big.write(zeros)
PY
}
prepare_thumbnail_huge() { sim_fault thumbnail huge-image; }
prepare_thumbnail_drip() { sim_fault thumbnail drip; }
prepare_list_cut() { :; }
# ... and checks its own result once the window is there.
check_catalogue_cut() { said "is not used: cut short"; }
check_catalogue_arguments() { said "takes other arguments"; }
check_settings_open() {
  said "could be changed by others: now only yours" && said "was a symbolic link: replaced" &&
    [ "$(cat "$work/target")" = precious ] && [ "$(stat -c %a "$conf")" = 600 ]
}
check_settings_random() { said "is damaged: kept as $conf.damaged"; }
check_skin_bomb() { wait_for 50 eval 'report && grep -q "tree-item \"Online ([0-9]" "$work/report"'; }
check_thumbnail_huge() { newcomers huge_ 1; wait_for 50 popup_shown huge_1; }
# A host that drips holds the slot no longer than the popup's 2 s: the popup shows by then.
check_thumbnail_drip() { newcomers drip_ 1; wait_for 40 popup_shown drip_1; }
check_list_cut() {
  local expected
  expected=$(curl -s "http://$site/_sim/performers" | grep -c .)
  wait_for 50 eval '[ "$(all_count)" = "$expected" ]' || return 1
  sim_fault list cut-mid-line
  curl -s -d '' "http://$site/_sim/log" > /dev/null
  wait_for 50 eval '[ "$(curl -s "http://$site/_sim/log" | grep -c online_performers)" -ge 2 ]' || return 1
  # Nobody counts as gone, nobody comes back as a newcomer.
  [ "$(all_count)" = "$expected" ] && ! report_has_popup
}
report_has_popup() { grep -q '^window wxDialog "Popup" shown=1' "$work/report"; }

# name                language     what the input is
cases=(
  "catalogue_cut      ja_JP.UTF-8  a Japanese catalogue cut at 2,000 bytes"
  "catalogue_arguments ja_JP.UTF-8 a Japanese translation taking %s for %d"
  "settings_open      C.UTF-8      settings others may change and a link planted as the lock"
  "settings_random    C.UTF-8      a settings file of random bytes"
  "skin_bomb          C.UTF-8      a skin entry inflating to 200 MB"
  "thumbnail_huge     C.UTF-8      a 35-byte GIF thumbnail declaring 65535x65535"
  "thumbnail_drip     C.UTF-8      a thumbnail host sending a byte every 200 ms"
  "list_cut           C.UTF-8      a list cut inside a line, without a length"
)
for row in "${cases[@]}"; do
  read -r name language what <<< "$row"
  write_settings
  cp "$bin/sorvik.skin" "$app/sorvik.skin"
  rm -rf "$app/ja" "$conf.damaged" "$conf.lock"
  curl -s -d '' "http://$site/_sim/faults/clear" > /dev/null
  "prepare_$name"
  : > "$work/host.log"
  LANG="$language" LANGUAGE= "$app/sorvik" --no-update --config "$conf" >> "$work/host.log" 2>&1 &
  host=$!
  wait_for 150 main_shown || fail "$what: no main window"
  "check_$name" || fail "$what: not the expected result"
  [ -z "$(toolkit_box)" ] || fail "$what: a toolkit dialog opened"
  rss=$(awk '/^VmRSS:/{print int($2 / 1024)}' "/proc/$host/status")
  [ "$rss" -lt "$limit_mb" ] || fail "$what: $rss MB resident"
  start=$(date +%s%N)
  kill -TERM "$host"
  wait_for 50 host_ended || fail "$what: still running 5 s after SIGTERM"
  wait "$host"; status=$?; host=""
  [ "$status" -eq 0 ] || fail "$what: exit code $status"
  echo "ok: $what: as expected, $rss MB, exit 0 in $(( ($(date +%s%N) - start) / 1000000 )) ms"
done
