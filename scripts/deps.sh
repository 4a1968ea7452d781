#!/usr/bin/env bash
# Installs the Debian packages the build, the app and the tests need, when any is missing.
set -euo pipefail
packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-tools-dev qt6-tools-dev-tools qt6-l10n-tools libqt6uitools6
  qt6-positioning-dev libqt6positioning6-plugins libqt6sql6-sqlite libqt6svg6 qt6-qpa-plugins libgl-dev
  libicu-dev libfontconfig-dev libgtest-dev libgmock-dev libbenchmark-dev fonts-dejavu-core
  dbus-daemon
  librsvg2-bin desktop-file-utils appstream lintian dpkg-dev file
  xvfb xdotool imagemagick graphviz
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
fi
