#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the program and the tests need; quick when all are there.
set -euo pipefail
packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools libgl1-mesa-dev
  libsqlite3-dev libgtest-dev libgmock-dev libbenchmark-dev
  fonts-ipafont-gothic fonts-hanazono qt6-translations-l10n poppler-utils xvfb xauth
  appstream
  clang libclang-rt-14-dev xz-utils
  emf2svg
  sqlite3
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  if [ "$(id -u)" -ne 0 ]; then sudo=sudo; else sudo=; fi
  $sudo apt-get update
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
fi
