#!/usr/bin/env bash
# Installs what building, running and testing Rimvista need on Debian 12. Safe to run again.
# With package names as arguments, installs only those (and prepares no locale).
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config lld clang-format
  qt6-base-dev qt6-base-dev-tools qt6-translations-l10n libgl-dev
  libturbojpeg0-dev libjpeg62-turbo-dev libpng-dev zlib1g-dev libxcb1-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth x11-utils xdotool imagemagick fonts-noto-cjk openbox
  locales util-linux
  desktop-file-utils dpkg-dev file man-db lintian appstream
)

# The suite also runs in a German and a Japanese locale, as users' machines do.
locales_needed=(de_DE.UTF-8 ja_JP.UTF-8)
if [ "$#" -gt 0 ]; then
  packages=("$@")
  locales_needed=()
fi

have_locale() { locale -a 2>/dev/null | sed 's/utf8/UTF-8/' | grep -qx "$1"; }

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi

if [ ${#missing[@]} -gt 0 ]; then
  $sudo apt-get update
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
fi

for l in "${locales_needed[@]}"; do
  if ! have_locale "$l"; then
    $sudo sed -i "s/^# *\($l UTF-8\)/\1/" /etc/locale.gen
    grep -q "^$l UTF-8" /etc/locale.gen || echo "$l UTF-8" | $sudo tee -a /etc/locale.gen >/dev/null
    generate=1
  fi
done
if [ -n "${generate:-}" ]; then $sudo locale-gen >/dev/null; fi
