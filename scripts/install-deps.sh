#!/usr/bin/env bash
# Installs the Debian 12 packages Kestrel Wave needs to build, test and run.
# Packages already installed are skipped; `apt-get update` runs only when
# something is missing (and so also on a machine where it never ran).
set -euo pipefail

packages=(
  build-essential cmake pkg-config clang-format
  clang libclang-rt-14-dev
  libsqlite3-dev libicu-dev libcurl4-openssl-dev libexpat1-dev libsimdjson-dev zlib1g-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev qt6-base-dev-tools qt6-image-formats-plugins qt6-webengine-dev
  qt6-translations-l10n
  libgl-dev
  xvfb xauth trayer x11-utils imagemagick xdg-utils mpv
  fonts-noto-cjk
  dpkg-dev file desktop-file-utils appstream lintian groff-base man-db
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  sudo_cmd=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
