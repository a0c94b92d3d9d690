#!/usr/bin/env bash
# Installs every Debian package that the build, the tests, the fuzz targets
# and the running suite need, and generates a locale with a decimal comma
# (de_DE.UTF-8) for the tests that prove the number texts ignore the C
# locale. Safe to run again: it does only what is still missing.
set -euo pipefail
# fonts-dejavu-core: the generic sans-serif font resolves to DejaVu Sans; with
# the Liberation fonts alone it resolves to Liberation Mono and every window
# is drawn monospaced. fontconfig brings fc-match and the font aliases.
# clang, libclang-rt-14-dev (libFuzzer and the sanitizer runtimes; clang only
# recommends it) and llvm-14 (llvm-symbolizer, for readable reports): the
# fuzz targets, scripts/fuzz.sh.
packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev libsqlite3-dev sqlite3
  libgtest-dev libbenchmark-dev
  zlib1g-dev
  fontconfig fonts-dejavu-core fonts-liberation2 poppler-utils qpdf
  xvfb xauth
  locales
  clang libclang-rt-14-dev llvm-14
)
locale_name=de_DE.UTF-8
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
# locale -a spells it de_DE.utf8.
have_locale() { locale -a 2>/dev/null | grep -ix 'de_DE\.utf-\?8' >/dev/null; }
need_locale=false
have_locale || need_locale=true
[ "${#missing[@]}" -eq 0 ] && ! $need_locale && exit 0

SUDO=()
if [ "$(id -u)" -ne 0 ]; then
  if ! command -v sudo >/dev/null 2>&1; then
    {
      [ "${#missing[@]}" -eq 0 ] || echo "install-deps.sh: these packages are missing: ${missing[*]}"
      ! $need_locale || echo "install-deps.sh: the locale $locale_name is not generated"
      echo "Installing them needs root, and sudo is not installed. Either run this script as root"
      echo "(for example: su -c 'bash scripts/install-deps.sh'), or install sudo as root"
      echo "(apt-get install sudo), give your user the right to use it, and run it again."
    } >&2
    exit 1
  fi
  SUDO=(sudo)
fi
if [ "${#missing[@]}" -gt 0 ]; then
  "${SUDO[@]}" apt-get update -qq
  "${SUDO[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
if $need_locale; then
  # Listed in /etc/locale.gen (uncommented, or added), so that a later
  # locale-gen keeps it.
  if grep -qx "# *$locale_name UTF-8" /etc/locale.gen 2>/dev/null; then
    "${SUDO[@]}" sed -i "s/^# *\($locale_name UTF-8\)\$/\1/" /etc/locale.gen
  elif ! grep -qx "$locale_name UTF-8" /etc/locale.gen 2>/dev/null; then
    echo "$locale_name UTF-8" | "${SUDO[@]}" tee -a /etc/locale.gen >/dev/null
  fi
  "${SUDO[@]}" locale-gen
  have_locale || { echo "install-deps.sh: the locale $locale_name could not be generated" >&2; exit 1; }
fi
