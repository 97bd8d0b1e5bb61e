#!/usr/bin/env bash
# The Japanese catalogue is complete: every text the plug-in's code passes through the catalogue
# has a translation, nothing is fuzzy, and no user-visible literal bypasses the catalogue (the
# mail count, shown untranslated on purpose, aside).
#   catalogue_check.sh SOURCE_DIR
set -uo pipefail
src="$1"
work=$(mktemp -d /tmp/sorvik-po-XXXXXX)
trap 'rm -rf "$work"' EXIT
status=0

find "$src/plugin" -name '*.cpp' | sort | xargs xgettext --language=C++ --keyword=_ \
  --from-code=UTF-8 --no-location -o "$work/code.pot" || exit 1
if ! msgcmp "$src/assets/po/ja.po" "$work/code.pot"; then
  echo "FAIL: texts of the code without a Japanese translation (run scripts/update-pot)"
  status=1
fi
stats=$(msgfmt --check --statistics -o /dev/null "$src/assets/po/ja.po" 2>&1) || status=1
echo "ja.po: $stats"
if grep -qE 'fuzzy|untranslated' <<< "$stats"; then
  echo "FAIL: fuzzy or untranslated entries in ja.po"
  status=1
fi
bypass=$(grep -rnE '(wxMenuItem::New|SetTitle|MessageBoxSeam::Show|AddPage|new wxButton|new wxStaticText|new wxStaticBox|wxLogError|SetItemText|AppendItem|AddRoot)\(.*"[A-Za-z]' \
  "$src/plugin" | grep -v '_("' | grep -v '"You have %d new message."')
if [ -n "$bypass" ]; then
  echo "FAIL: user-visible texts that skip the catalogue:"
  echo "$bypass"
  status=1
fi
[ "$status" -eq 0 ] && echo "ok: the catalogue covers every text"
exit "$status"
