#!/usr/bin/env bash
# Installs every Debian package that the build, the tests and the running suite need.
# Safe to run again: apt-get skips what is already installed.
set -euo pipefail
# fonts-dejavu-core: the generic sans-serif font resolves to DejaVu Sans; with
# the Liberation fonts alone it resolves to Liberation Mono and every window
# is drawn monospaced. fontconfig brings fc-match and the font aliases.
packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev libsqlite3-dev sqlite3
  libgtest-dev libbenchmark-dev
  zlib1g-dev
  fontconfig fonts-dejavu-core fonts-liberation2 poppler-utils qpdf
  xvfb xauth
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ "${#missing[@]}" -eq 0 ] && exit 0

SUDO=()
if [ "$(id -u)" -ne 0 ]; then
  if ! command -v sudo >/dev/null 2>&1; then
    {
      echo "install-deps.sh: these packages are missing: ${missing[*]}"
      echo "Installing them needs root, and sudo is not installed. Either run this script as root"
      echo "(for example: su -c 'bash scripts/install-deps.sh'), or install sudo as root"
      echo "(apt-get install sudo), give your user the right to use it, and run it again."
    } >&2
    exit 1
  fi
  SUDO=(sudo)
fi
"${SUDO[@]}" apt-get update -qq
"${SUDO[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
