#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need. Quick
# when everything is already there: apt is only asked for what is missing.
set -euo pipefail

packages=(
  g++ cmake ninja-build pkg-config
  qt6-base-dev qt6-serialport-dev qt6-svg-dev libqcustomplot-dev libxkbcommon-dev
  qt6-tools-dev qt6-l10n-tools
  libqt6sql6-sqlite libsqlite3-dev sqlite3
  libqt6sql6-psql postgresql
  libbenchmark-dev
  fonts-nanum qt6-translations-l10n
)
# Extra packages a caller asks for, e.g. the fuzzing toolchain or the package
# checks (lintian, appstream, desktop-file-utils, dpkg-dev) in CI.
packages+=("$@")

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
if [ "$(id -u)" -ne 0 ]; then
  sudo="sudo"
fi
echo "Installing: ${missing[*]}"
$sudo apt-get update -q
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
