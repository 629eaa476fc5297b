#!/usr/bin/env bash
# Installs every Debian package that building, testing and taking screenshots of Zolt needs.
# Safe to run again: it does nothing (and says nothing) when everything is present.
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build pkg-config git ccache
  qt6-base-dev qt6-base-dev-tools qt6-svg-dev libqt6svg6 qt6-image-formats-plugins
  libgl-dev libxkbcommon-dev
  libical-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  clang-format
  xvfb xauth imagemagick fonts-dejavu-core xdotool
  poppler-utils
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
