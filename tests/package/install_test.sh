#!/usr/bin/env bash
# Installs the build into a scratch root and checks the files desktops and software centres read.
# Arguments: the build directory and the application's identifier.
set -euo pipefail
build=$1 id=$2
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

DESTDIR=$root cmake --install "$build" --prefix /usr >/dev/null
share=$root/usr/share
for f in bin/storm-distance share/applications/$id.desktop share/metainfo/$id.metainfo.xml \
         share/icons/hicolor/scalable/apps/$id.svg share/storm-distance/translations/storm-distance_{de,es,fr}.qm \
         share/man/man1/storm-distance.1.gz share/doc/storm-distance/copyright \
         share/doc/storm-distance/changelog.Debian.gz; do
  [ -s "$root/usr/$f" ] || fail "/usr/$f is missing or empty"
done
[ -x "$root/usr/bin/storm-distance" ] || fail "the binary is not executable"
for size in 16 24 32 48 64 128 256; do
  png=$share/icons/hicolor/${size}x${size}/apps/$id.png
  [ -f "$png" ] || fail "no ${size}x${size} icon"
  file -b "$png" | grep -q "^PNG image data, $size x $size," || fail "${size}x${size} icon: $(file -b "$png")"
done

# The names tie together: the entry's icon and the metainfo's launchable.
grep -qx "Icon=$id" "$share/applications/$id.desktop" || fail "the desktop entry's Icon= is not $id"
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$share/metainfo/$id.metainfo.xml" ||
  fail "the metainfo does not launch $id.desktop"

# desktop-file-validate exits 0 on warnings and hints: any output at all is a failure here.
problems=$(desktop-file-validate "$share/applications/$id.desktop" 2>&1) || true
[ -z "$problems" ] || fail "desktop-file-validate: $problems"
appstreamcli validate --no-net "$share/metainfo/$id.metainfo.xml" || fail "appstreamcli validate"
