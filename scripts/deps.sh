#!/usr/bin/env bash
# Installs the Debian packages the build, the app and the tests need, when any is missing.
set -euo pipefail
packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-tools-dev qt6-tools-dev-tools qt6-l10n-tools libqt6uitools6
  libqt6sql6-sqlite libqt6svg6 qt6-qpa-plugins libgl-dev
  qt6-image-formats-plugins
  libicu-dev libfontconfig-dev libgtest-dev libgmock-dev libbenchmark-dev fonts-dejavu-core
  dbus-daemon geoclue-2.0 python3-gi at-spi2-core python3-pyatspi
  libgeographiclib-dev
  libgps-dev gpsd gpsd-clients
  librsvg2-bin desktop-file-utils appstream lintian dpkg-dev file
  xvfb xdotool imagemagick graphviz
  orca speech-dispatcher weston qt6-wayland
)
# Installed with --no-install-recommends: GeoClue's recommendations pull in ModemManager, Avahi and
# udev, and upgrade systemd; the tests run it on a private system bus and need none of them. Orca
# and speech-dispatcher run in one test with their speech written to a file: no voice, no braille.
without_recommends=" geoclue-2.0 python3-pyatspi orca speech-dispatcher "
missing=()
lean=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" && continue
  if [[ "$without_recommends" == *" $p "* ]]; then lean+=("$p"); else missing+=("$p"); fi
done
if [ $((${#missing[@]} + ${#lean[@]})) -gt 0 ]; then
  echo "Installing: ${missing[*]} ${lean[*]}"
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  [ ${#missing[@]} -eq 0 ] || DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
  [ ${#lean[@]} -eq 0 ] ||
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${lean[@]}"
fi
