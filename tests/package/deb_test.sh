#!/usr/bin/env bash
# Makes the Debian package of the build with CPack, checks its contents, dependencies and lintian's
# verdict, and starts the packaged binary from the unpacked package.
# Arguments: the build directory and the application's identifier.
set -euo pipefail
build=$1 id=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work" >"$work/cpack.log" 2>&1 || { cat "$work/cpack.log"; fail "cpack"; }
debs=("$work"/storm-distance_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "cpack made no single storm-distance_*.deb"
deb=${debs[0]}

contents=$(dpkg-deb -c "$deb" | awk '{print $6}')
for f in bin/storm-distance share/applications/$id.desktop share/metainfo/$id.metainfo.xml \
         share/icons/hicolor/scalable/apps/$id.svg share/icons/hicolor/48x48/apps/$id.png \
         share/storm-distance/translations/storm-distance_de.qm share/doc/storm-distance/copyright \
         share/doc/storm-distance/changelog.Debian.gz; do
  grep -qx "./usr/$f" <<<"$contents" || fail "the package lacks /usr/$f"
done
# Found by dpkg-shlibdeps, and the plugins it cannot see.
depends=$(dpkg-deb -f "$deb" Depends)
for p in libc6 libqt6widgets6 libqt6sql6 libqt6network6 libqt6sql6-sqlite libqt6svg6 qt6-qpa-plugins; do
  grep -qE "(^|, )$p( |,|$)" <<<"$depends" || fail "Depends lacks $p: $depends"
done

lintian --tag-display-limit 0 "$deb" >"$work/lintian.log" 2>&1 || true
cat "$work/lintian.log"
if grep -q '^E:' "$work/lintian.log"; then fail "lintian reports errors"; fi

# The unpacked binary starts and answers with its main screen.
dpkg-deb -x "$deb" "$work/root"
mkdir -p "$work/home"/{config,data,cache} && mkdir -m 700 "$work/home/run"
state() {
  (cd "$work/root" && printf 'state\nquit\n' |
    env -u DBUS_SESSION_BUS_ADDRESS QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME="$work/home/config" \
        XDG_DATA_HOME="$work/home/data" XDG_CACHE_HOME="$work/home/cache" XDG_RUNTIME_DIR="$work/home/run" \
        STORM_DISTANCE_NO_RATING_PROMPT=1 STORM_DISTANCE_PROBE_URL=http://127.0.0.1:9/ "$@" \
        ./usr/bin/storm-distance --automation)
}
reply=$(state) || fail "the packaged binary failed: $reply"
grep -q '"screen":"main"' <<<"$reply" || fail "no main screen in the reply: $reply"
# It reads the catalogues installed beside it before its built-in ones: a French catalogue under the
# German name gives French.
translations=$work/root/usr/share/storm-distance/translations
cp "$translations/storm-distance_fr.qm" "$translations/storm-distance_de.qm"
reply=$(state LC_ALL=de_DE.UTF-8) || fail "the packaged binary failed: $reply"
grep -q '"dist":"Appuyez' <<<"$reply" || fail "the installed catalogue was not used: $reply"
