#!/usr/bin/env bash
# Installs every Debian package that the build, the tests and the running suite need.
# Safe to run again: apt-get skips what is already installed.
set -euo pipefail
packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev libsqlite3-dev sqlite3
  libgtest-dev libbenchmark-dev
  zlib1g-dev
  fonts-liberation2 poppler-utils qpdf
  xvfb xauth
)
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; fi
export DEBIAN_FRONTEND=noninteractive
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ "${#missing[@]}" -gt 0 ]; then
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
