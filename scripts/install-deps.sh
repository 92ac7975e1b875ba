#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the Debian packages the project needs, only when some are missing.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  clang libclang-rt-14-dev
  libgtest-dev
  libcli11-dev nlohmann-json3-dev
  libsqlitecpp-dev libsqlite3-dev libpqxx-dev libpq-dev
  postgresql
  libtomlplusplus-dev libpugixml-dev
  qt6-base-dev qt6-qpa-plugins libgl-dev
  # Qt Charts needs Qt OpenGL's CMake package, which its -dev package does not pull in.
  qt6-charts-dev qt6-svg-dev libqt6opengl6-dev
  fonts-wqy-microhei
  xvfb xauth
  dpkg-dev help2man lintian optipng
  # A VISA library we did not write reads the virtual bench as a LAN instrument.
  python3-pyvisa-py
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
