#!/usr/bin/env bash
# Installs the Debian packages the build, the program and the tests need, if any is missing.
# The Windows build's toolchain and Wine are installed without their recommendations (which
# would add the 32-bit toolchains and much more that nothing here uses).
set -euo pipefail

packages=(
  build-essential cmake pkg-config clang
  libsdl2-dev libegl-dev libegl-mesa0 libgl1-mesa-dri libgl-dev libgl1-mesa-dev libglu1-mesa-dev
  libfreetype-dev libfontconfig-dev fonts-liberation fonts-dejavu-core
  libpng-dev libjpeg62-turbo-dev libmpg123-dev libmp3lame-dev
  libgtest-dev libgmock-dev googletest
  xvfb xdotool x11-utils xauth python3 ffmpeg weston
  lintian desktop-file-utils man-db
)
windows_packages=(g++-mingw-w64-x86-64-posix wine wine64 pulseaudio)

missing() {
  local package
  for package in "$@"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || echo "$package"
  done
}
mapfile -t missing_packages < <(missing "${packages[@]}")
mapfile -t missing_windows < <(missing "${windows_packages[@]}")
[ ${#missing_packages[@]} -eq 0 ] && [ ${#missing_windows[@]} -eq 0 ] && exit 0

echo "Installing: ${missing_packages[*]} ${missing_windows[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then
  sudo="sudo"
fi
apt() { $sudo env DEBIAN_FRONTEND=noninteractive apt-get "$@"; }
apt update
[ ${#missing_packages[@]} -eq 0 ] || apt install -y "${missing_packages[@]}"
[ ${#missing_windows[@]} -eq 0 ] || apt install -y --no-install-recommends "${missing_windows[@]}"
