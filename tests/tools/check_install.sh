#!/usr/bin/env bash
# Installs the build into a scratch prefix, as a packager would, and checks
# what a desktop looks for: the programs, their data, the menu entry, the
# icon at every hicolor size and the AppStream metainfo, each in its XDG
# place and accepted by its validator. Then the installed command-line
# tool starts a fresh account on the installed data alone.
set -euo pipefail
build=$1
prefix=$2
rm -rf "$prefix"
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null

failed=0
fail() { echo "FAIL: $*" >&2; failed=1; }
need() { [ -e "$prefix/$1" ] || fail "not installed: $1"; }

need bin/almanix
need bin/almanix-cli
need share/almanix/Config/US.ini
need share/almanix/iCONFIG/US.ini
need share/almanix/DB/Events.db
need share/applications/almanix.desktop
need share/icons/hicolor/scalable/apps/almanix.svg
need share/metainfo/org.webalmanix.almanix.metainfo.xml
# The menu's files are not left in the program's own data as well.
[ ! -e "$prefix/share/almanix/desktop" ] || fail "share/almanix/desktop should not be installed"

for size in 16 22 24 32 48 64 128 256; do
  icon="$prefix/share/icons/hicolor/${size}x${size}/apps/almanix.png"
  if [ ! -f "$icon" ]; then
    fail "no ${size}x${size} icon"
    continue
  fi
  # A PNG's width and height are the big-endian words at bytes 16 and 20.
  dims=$(od -An -tu1 -j16 -N8 "$icon" | awk '{print $3*256+$4 "x" $7*256+$8}')
  [ "$dims" = "${size}x${size}" ] || fail "${size}x${size} icon is $dims"
done

desktop-file-validate "$prefix/share/applications/almanix.desktop" || fail "desktop-file-validate"
# The entry launches what was installed under the name it gives.
exec_name=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$prefix/share/applications/almanix.desktop")
[ -x "$prefix/bin/$exec_name" ] || fail "Exec=$exec_name is not an installed program"
appstreamcli validate --no-net "$prefix/share/metainfo/org.webalmanix.almanix.metainfo.xml" \
  >/dev/null || fail "appstreamcli validate"
grep -q '<launchable type="desktop-id">almanix.desktop</launchable>' \
  "$prefix/share/metainfo/org.webalmanix.almanix.metainfo.xml" || fail "metainfo launchable"

# The installed copy finds its data beside itself: a new account starts.
home=$(mktemp -d)
trap 'rm -rf "$prefix" "$home"' EXIT
HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local/share" \
  "$prefix/bin/almanix-cli" --root "$home/root" init >/dev/null || fail "installed almanix-cli init"

[ $failed -eq 0 ] && echo "install passes its validators"
exit $failed
