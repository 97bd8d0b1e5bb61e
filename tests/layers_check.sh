#!/usr/bin/env bash
# The plug-in's include layers hold, and the check does catch a lower folder that includes a
# higher one.
#   layers_check.sh SOURCE_DIR
set -uo pipefail
src="$1"
"$src/scripts/check-layers" "$src/plugin" || { echo "FAIL: the plug-in breaks its layers"; exit 1; }

planted=$(mktemp -d)
trap 'rm -rf "$planted"' EXIT
cp -r "$src/plugin/." "$planted/"
printf '#include "views/PopupDialog.h"\n' >> "$planted/net/Url.cpp"
if "$src/scripts/check-layers" "$planted" > "$planted/out" 2>&1; then
  echo "FAIL: net/ including views/ went unnoticed"; exit 1
fi
grep -q 'net/Url.cpp:[0-9]*: net/ may not include views/' "$planted/out" || { echo "FAIL: unclear report:"; cat "$planted/out"; exit 1; }
echo "ok: the check fails on a planted upward include"
