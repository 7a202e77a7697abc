#!/usr/bin/env bash
# Installs the Debian packages the program, its build and its tests need,
# asking apt-get only for what is missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-multimedia-dev qt6-qpa-plugins libqt6multimediawidgets6
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-plugins-bad
  gstreamer1.0-libav gstreamer1.0-tools gstreamer1.0-plugins-base-apps
  libsndfile1-dev libxcb1-dev
  pulseaudio pulseaudio-utils
  fonts-liberation
  libgtest-dev
  xvfb xauth xdotool x11-utils x11-apps imagemagick xclip
  openbox mutter dbus-daemon dbus-x11 weston qt6-wayland
  dpkg-dev fakeroot file lintian desktop-file-utils appstream man-db
  quakespasm
  clang libclang-rt-14-dev
)

missing=()
for package in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${db:Status-Status}' "$package" 2>/dev/null || true)
  [ "$status" = "installed" ] || missing+=("$package")
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then
  sudo="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
