#!/usr/bin/env bash
# Installs the Debian 12 packages keyloom needs to build, test and run, when
# any is missing. Safe to run again: it only calls apt-get when needed.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  libexpat1-dev libudev-dev libfontconfig-dev
  nlohmann-json3-dev libcli11-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev qt6-qpa-plugins libgl-dev qt6-translations-l10n
  fonts-liberation fonts-wqy-microhei fontconfig
  xvfb xauth xdotool x11-utils
  weston qt6-wayland libwayland-dev libwayland-bin sway
  librsvg2-bin desktop-file-utils appstream
  libxtst-dev libxcb1-dev libglib2.0-dev libglib2.0-bin gsettings-desktop-schemas
  libsystemd-dev dbus-daemon python3-dbus python3-gi
  dpkg-dev file lintian
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
