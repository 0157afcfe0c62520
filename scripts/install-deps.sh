#!/usr/bin/env bash
# Installs every Debian package Tessaline needs to build, run and test.
# Idempotent and non-interactive; run as root on Debian 12.
#
#   scripts/install-deps.sh [EXTRA PACKAGE...]   also installs the extras
#                                                (the fuzz script adds clang)
set -euo pipefail
packages=(
  build-essential cmake pkg-config
  libcairo2-dev libfontconfig-dev libfreetype-dev libpng-dev zlib1g-dev libjpeg-dev
  qt6-base-dev fonts-liberation fonts-dejavu-core
  libgtest-dev libbenchmark-dev libzxing-dev libzbar-dev
  pybind11-dev python3-dev python3-pytest python3-zxing-cpp python3-pil libcpp-httplib-dev
  qt6-translations-l10n libdeflate-dev ccache
  "$@"
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
