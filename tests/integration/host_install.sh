#!/usr/bin/env bash
# The installed product: `cmake --install` into a fresh prefix gives a menu entry and metadata
# that validate, icons, and P/bin/sorvik that answers --help and shows its window against the
# simulated site. Installed where the user cannot write, it skips the update from the site and
# says so. With 'package', the Debian package's contents and Depends are checked too, lintian
# finds neither error nor warning, and packaging the tree again gives the same bytes.
#   host_install.sh BUILD_DIR [package]
set -uo pipefail
build="$1"
bin="$build/bin"
. "$(dirname "$0")/host_test_lib.sh"
require_display
for tool in desktop-file-validate appstreamcli; do
  command -v "$tool" > /dev/null || { echo "$tool is missing (scripts/setup installs it)"; exit 1; }
done
id=com.sorvik.Statuscope
prefix="$work/prefix"

cmake --install "$build" --prefix "$prefix" > "$work/install.log" 2>&1 || fail "cmake --install: $(cat "$work/install.log")"
desktop-file-validate "$prefix/share/applications/$id.desktop" || fail "the desktop entry does not validate"
grep -qx "Exec=$prefix/bin/sorvik" "$prefix/share/applications/$id.desktop" || fail "Exec does not name the installed link"
grep -q '^Name\[ja\]=' "$prefix/share/applications/$id.desktop" || fail "no Japanese name"
appstreamcli validate --no-net "$prefix/share/metainfo/$id.metainfo.xml" > "$work/appstream.log" 2>&1 ||
  fail "the metadata does not validate: $(cat "$work/appstream.log")"
for icon in 48x48/apps/$id.png 256x256/apps/$id.png scalable/apps/$id.svg; do
  [ -s "$prefix/share/icons/hicolor/$icon" ] || fail "no icon $icon"
done
"$prefix/bin/sorvik" --help | grep -q -- '--config' || fail "P/bin/sorvik --help"
echo "ok: installed in a fresh prefix; the entry and the metadata validate"

start_site --performers 5 --no-churn
{ hosts_section; printf '[SplashScreen]\nduration=1\n'; } > "$work/Ruvidodur.conf"
bin="$prefix/bin" start_host_window
listed() { report && grep -q 'tree-item "Online (5)"' "$work/report"; }
wait_for 80 listed || fail "the installed host shows no list"
stop_host
echo "ok: the installed host shows the site's performers"

# A read-only installation (root may write anywhere: the check runs as 'nobody' then).
chmod -R a+rX "$prefix"
chmod a-w "$prefix/lib/sorvik"
as_user=()
if [ "$(id -u)" -eq 0 ]; then
  command -v runuser > /dev/null || fail "runuser is missing"
  chmod 0777 "$work"
  # The user's own settings: another user's file would be refused.
  chown nobody "$work/Ruvidodur.conf"
  # The display's cookie, readable by that user.
  if [ -n "${XAUTHORITY:-}" ] && [ -f "$XAUTHORITY" ]; then
    cp "$XAUTHORITY" "$work/xauth" && chmod 0644 "$work/xauth"
    export XAUTHORITY="$work/xauth"
  fi
  as_user=(runuser -u nobody -- env HOME="$work" XAUTHORITY="${XAUTHORITY:-}" DISPLAY="$DISPLAY")
fi
curl -s -X POST -d '' "http://$site/_sim/log" > /dev/null
"${as_user[@]}" env LANG=C.UTF-8 "$prefix/bin/sorvik" --config "$work/Ruvidodur.conf" > "$work/readonly.log" 2>&1 &
host=$!
wait_for 100 grep -q "not writable" "$work/readonly.log" || fail "no word about the read-only folder: $(cat "$work/readonly.log")"
wait_for 100 xdotool search --onlyvisible --name "^Sorvik Statuscope$" > /dev/null || fail "no window: $(cat "$work/readonly.log")"
[ "$(grep -c 'not writable' "$work/readonly.log")" -eq 1 ] || fail "said more than once"
curl -s "http://$site/_sim/log" | grep -q update.cgi && fail "asked the site for an update"
stop_host
chmod u+w "$prefix/lib/sorvik"
echo "ok: a read-only installation leaves updates to the packages, said once"

if [ "${2:-}" = package ]; then
  make_deb="$(dirname "$0")/../../scripts/make-deb"
  deb=$("$make_deb" "$build" "$work/deb1" 2> "$work/make-deb.log") || fail "make-deb: $(cat "$work/make-deb.log")"
  # The same tree, packaged again a second later, gives the same bytes.
  sleep 1
  again=$("$make_deb" "$build" "$work/deb2" 2> "$work/make-deb.log") || fail "make-deb again: $(cat "$work/make-deb.log")"
  cmp -s "$deb" "$again" || fail "two packages of the same tree differ: $(cmp "$deb" "$again")"
  command -v lintian > /dev/null || fail "lintian is missing (scripts/setup installs it)"
  lintian --fail-on error,warning "$deb" > "$work/lintian.log" 2>&1 || fail "lintian: $(cat "$work/lintian.log")"
  for path in ./usr/share/doc/sorvik-statuscope/copyright ./usr/share/doc/sorvik-statuscope/changelog.gz \
      ./usr/share/man/man1/sorvik.1.gz; do
    dpkg-deb -c "$deb" | awk '{print $6}' | grep -qx -- "$path" || fail "the package lacks $path"
  done
  dpkg-deb -I "$deb" | grep -q ldconfig && fail "the package's scripts call ldconfig"
  depends=$(dpkg-deb -f "$deb" Depends)
  grep -q 'libwxgtk3.2-1' <<< "$depends" || fail "Depends lacks the toolkit: $depends"
  grep -Eq -- '-dev|cmake|gtest|benchmark|asan' <<< "$depends" && fail "Depends names build-only packages: $depends"
  contents=$(dpkg-deb -c "$deb" | awk '{print $6}')
  for path in ./usr/bin/sorvik ./usr/lib/sorvik/sorvik ./usr/lib/sorvik/sorvik.so ./usr/lib/sorvik/sorvik.skin \
      ./usr/lib/sorvik/ja/LC_MESSAGES/sorvik.mo ./usr/share/applications/$id.desktop \
      ./usr/share/metainfo/$id.metainfo.xml ./usr/share/icons/hicolor/48x48/apps/$id.png; do
    grep -qx -- "$path" <<< "$contents" || fail "the package lacks $path"
  done
  grep -q sitesim <<< "$contents" && fail "the package carries the simulated site"
  echo "ok: $(basename "$deb"): lintian clean, the same bytes twice; Depends: $depends"
fi
