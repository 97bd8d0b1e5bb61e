#!/usr/bin/env bash
# Under a Japanese locale the host loads the catalogue beside it and the main window speaks
# Japanese: menus, pages and the tree's group. A catalogue cut short, or one whose translation
# takes other arguments than the English text, is refused in one line: the window is English,
# no assertion box, and SIGTERM ends it with 0.
#   host_japanese.sh BIN_DIR
set -uo pipefail
bin="$1"
. "$(dirname "$0")/host_test_lib.sh"
require_display
locale -a | grep -qix 'ja_JP.utf8' || { echo "the ja_JP.UTF-8 locale is missing (scripts/setup makes it)"; exit 1; }

start_site --performers 12 --no-churn
printf '[Hosts]\nmain=%s\nimage=%s\n[System]\nsyncinterval=1\n[SplashScreen]\nduration=1\n' \
  "$site" "$site" > "$work/Ruvidodur.conf"

env -u LC_ALL -u LC_MESSAGES LANGUAGE= LANG=ja_JP.UTF-8 \
  "$bin/sorvik" --no-update --config "$work/Ruvidodur.conf" > "$work/host.log" 2>&1 &
host=$!
wait_for 100 xdotool search --name "^Sorvik Statuscope$" > /dev/null || fail "no main window"
counted() { report && grep -q 'tree-item "オンライン (12)"' "$work/report"; }
wait_for 30 counted || fail "the group is not \"オンライン (12)\""
for label in 'menu "ファイル(&F)"' 'menu "ツール(&T)"' 'item "お気に入りを更新(&U)"' \
             'page "すべて" selected=1' 'page "お気に入り" selected=0'; do
  grep -qF "$label" "$work/report" || fail "missing $label"
done
echo "ok: the main window is in Japanese"
stop_host

# Damaged catalogues, beside a copy of the host.
make_app
mkdir -p "$app/ja/LC_MESSAGES"
for damage in cut arguments; do
  if [ "$damage" = cut ]; then
    head -c 2000 "$bin/ja/LC_MESSAGES/sorvik.mo" > "$app/ja/LC_MESSAGES/sorvik.mo"
  else
    sed 's/^msgstr "ほかに %d 人がオンライン"$/msgstr "ほかに %s 人がオンライン"/' \
      "$(dirname "$0")/../../assets/po/ja.po" > "$work/bad.po"
    grep -q '%s 人がオンライン' "$work/bad.po" || fail "the test's damage did not apply"
    msgfmt -o "$app/ja/LC_MESSAGES/sorvik.mo" "$work/bad.po"
  fi
  : > "$work/host.log"
  env -u LC_ALL -u LC_MESSAGES LANGUAGE= LANG=ja_JP.UTF-8 \
    "$app/sorvik" --no-update --config "$work/Ruvidodur.conf" >> "$work/host.log" 2>&1 &
  host=$!
  wait_for 100 xdotool search --name "^Sorvik Statuscope$" > /dev/null || fail "$damage: no main window"
  english() { report && grep -q 'tree-item "Online (12)"' "$work/report"; }
  wait_for 30 english || fail "$damage: the window is not in English"
  [ "$(grep -c 'is not used' "$work/host.log")" -eq 1 ] || fail "$damage: not one line about the catalogue: $(head -3 "$work/host.log")"
  kill -TERM "$host"
  wait_for 50 host_ended || fail "$damage: still running 5 s after SIGTERM"
  wait "$host"; status=$?; host=""
  [ "$status" -eq 0 ] || fail "$damage: exit code $status"
  echo "ok: a catalogue $damage: $(grep -o 'is not used: .*' "$work/host.log"), English, exit 0"
done

