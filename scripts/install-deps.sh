#!/usr/bin/env bash
# Installs the Debian packages the build, the program and the tests need, if any is missing.
set -euo pipefail

packages=(
  build-essential cmake pkg-config clang
  libsdl2-dev libegl-dev libegl-mesa0 libgl1-mesa-dri libgl-dev libgl1-mesa-dev libglu1-mesa-dev
  libfreetype-dev libfontconfig-dev fonts-liberation fonts-dejavu-core
  libpng-dev libjpeg62-turbo-dev libmpg123-dev libmp3lame-dev
  libgtest-dev libgmock-dev
  xvfb xdotool x11-utils xauth python3 ffmpeg
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then
  sudo="sudo"
fi
$sudo apt-get update
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y "${missing[@]}"
