#!/usr/bin/env bash
# Builds the Debian packages of Tessaline and checks them with lintian.
#
#   scripts/package.sh [OUTPUT_DIR]      (default: dist/)
#
# Packages: tessaline (runtime), libtessaline-dev, and python3-tessaline
# when python/ is there. The build directory is build-package/ (or
# $TESSALINE_PACKAGE_BUILD). Run as root on Debian 12.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=$(realpath -m "${1:-$root/dist}")
build=${TESSALINE_PACKAGE_BUILD:-$root/build-package}

bash "$root/scripts/install-deps.sh" dpkg-dev fakeroot file lintian desktop-file-utils

# The desktop entry and the MIME type first: nothing to build for a bad one.
desktop-file-validate "$root/app/tessastudio.desktop"
if command -v xmllint >/dev/null; then
  xmllint --noout "$root/app/tessastudio-mime.xml"
fi

export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$(dirname "$root")} CCACHE_NOHASHDIR=1
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr \
  -DTESSALINE_DEB=ON -DTESSALINE_REGISTER_ON_INSTALL=OFF -DTESSALINE_TESTS=OFF -DTESSALINE_BENCH=OFF
cmake --build "$build" -j"${JOBS:-2}"

rm -rf "$out"
mkdir -p "$out"
(cd "$build" && cpack -G DEB -B "$out/cpack")
mv "$out"/cpack/*.deb "$out"/
rm -rf "$out/cpack"

# Errors fail the build; warnings are shown.
lintian --fail-on error --suppress-tags no-manual-page "$out"/*.deb
ls -l "$out"/*.deb
