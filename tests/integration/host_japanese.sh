#!/usr/bin/env bash
# Under a Japanese locale the host loads the catalogue beside it and the main window speaks
# Japanese: menus, pages and the tree's group.
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
