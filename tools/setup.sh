#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the tests and the program need, when missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-svg-dev qt6-translations-l10n
  libgl-dev
  fonts-liberation2 fonts-dejavu-core
  libbenchmark-dev clang-format libclang-rt-14-dev clang
  xvfb xauth imagemagick poppler-utils
  openbox xdotool x11-utils
  desktop-file-utils appstream libxml2-utils shared-mime-info libglib2.0-bin lintian dpkg-dev file
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
  [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -q
  "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
