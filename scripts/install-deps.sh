#!/usr/bin/env bash
# Installs the Debian packages KORApc needs to build, test and run.
# This is the only place that names them. Packages already present are skipped.
set -euo pipefail

PACKAGES=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-serialport-dev libgl-dev
  libsimpleini-dev libicu-dev libudev-dev libsqlite3-dev
  libgtest-dev libgmock-dev libbenchmark-dev libssl-dev libxcb1-dev libxcb-damage0-dev
  clang libclang-rt-dev
  xvfb xauth fonts-dejavu-core
  ccache clang-format-14
  poppler-utils
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  if command -v sudo >/dev/null 2>&1; then
    SUDO="sudo"
  else
    echo "These packages are missing and you are not root: ${missing[*]}" >&2
    echo "Run this script as root once: sudo $0" >&2
    exit 1
  fi
fi
$SUDO env DEBIAN_FRONTEND=noninteractive apt-get update -qq
$SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
