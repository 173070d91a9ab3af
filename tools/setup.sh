#!/usr/bin/env bash
# Installs the Debian 12 packages that are missing.
#   tools/setup.sh           what building and running the program need (./run.sh)
#   tools/setup.sh --tests   that, and what the tests, the checks and the fuzz build need
#                            (./test.sh)
set -euo pipefail

# Building and running: compiler, CMake and Ninja, Qt with its platform plugins (pulled in
# by qt6-base-dev) and the SVG plugins for the icon set, the fonts the layouts are measured
# in, and the Russian texts of Qt's own buttons.
packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-svg-dev qt6-translations-l10n
  libgl-dev
  fonts-liberation2 fonts-dejavu-core
)

if [ "${1:-}" = "--tests" ]; then
  packages+=(
    # The build cache and the faster linker, the checks on the sources and the source list
    # they read.
    ccache lld git clang-format clang-tidy
    # Benchmarks; the fuzz build (clang with libFuzzer and the sanitizers' runtime).
    libbenchmark-dev clang libclang-rt-14-dev
    # Windows under a real X server and window manager, typed into; screenshots; reading
    # printed PDF files back.
    xvfb xauth openbox xdotool x11-utils imagemagick poppler-utils
    # The install and package checks.
    desktop-file-utils appstream libxml2-utils shared-mime-info libglib2.0-bin lintian dpkg-dev
    file
  )
fi

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
