#!/usr/bin/env bash
# Builds the Debian packages, installs them with apt into a clean Debian 12
# root (debootstrap), and checks what a user gets: the command draws and
# has its man page, the editor starts with the control registered
# system-wide, the completion knows the types; then removes the packages
# and checks that nothing is left registered. The development package is
# checked on this machine: a program built with only its headers, through
# pkg-config and through the CMake package.
#
#   scripts/package-test.sh            (as root; slow, not part of ctest)
#
# TESSALINE_CHROOT names the root (default /var/tmp/tessaline-package-root,
# made anew each run); KEEP_ROOT=1 keeps it afterwards.
set -euo pipefail
root_dir=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d /var/tmp/tessaline-package-test.XXXXXX)
chroot_dir=${TESSALINE_CHROOT:-/var/tmp/tessaline-package-root}
cache=/var/cache/tessaline-debootstrap
start=$(date +%s)

say() { printf '\n== %s\n' "$*"; }
fail() { printf 'FAIL: %s\n' "$*" >&2; exit 1; }

unmount_root() {
  for m in proc dev/pts dev; do
    mountpoint -q "$chroot_dir/$m" 2>/dev/null && umount -l "$chroot_dir/$m" || true
  done
}
cleanup() {
  unmount_root
  if [ "${KEEP_ROOT:-0}" != 1 ]; then rm -rf "$chroot_dir"; fi
  rm -rf "$work"
}
trap cleanup EXIT

say "packages"
bash "$root_dir/scripts/install-deps.sh" debootstrap pkgconf
bash "$root_dir/scripts/package.sh" "$work/debs"
ls "$work"/debs/*.deb

say "development package on this machine"
dev="$work/dev"
for deb in "$work"/debs/*.deb; do dpkg-deb -x "$deb" "$dev"; done
multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
libdir="$dev/usr/lib/$multiarch"
consumer="$root_dir/tests/packaging/consumer"
# pkg-config, with the prefix moved to where the files are.
flags=$(PKG_CONFIG_PATH="$libdir/pkgconfig" pkg-config --define-variable=prefix="$dev/usr" --cflags --libs tessaline)
case "$flags" in *"$root_dir"*) fail "pkg-config points into the source tree: $flags" ;; esac
g++ -std=c++17 -Wall -Wextra -Werror -o "$work/consumer-pc" "$consumer/main.cpp" $flags
LD_LIBRARY_PATH="$libdir" "$work/consumer-pc"
# The C header alone, from C.
printf '#include <tessaline/tessaline.h>\nint main(void) { return 0; }\n' > "$work/c.c"
gcc -std=c99 -Wall -Wextra -Werror -c -o "$work/c.o" "$work/c.c" $(PKG_CONFIG_PATH="$libdir/pkgconfig" pkg-config --define-variable=prefix="$dev/usr" --cflags tessaline)
# The CMake package.
cmake -S "$consumer" -B "$work/consumer-cmake" -DCMAKE_PREFIX_PATH="$dev/usr" >/dev/null
cmake --build "$work/consumer-cmake" >/dev/null
LD_LIBRARY_PATH="$libdir" "$work/consumer-cmake/consumer"

say "clean Debian 12 root"
# The mirror this machine's apt uses.
mirror=$( (cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources 2>/dev/null || true) |
  grep -E '^(URIs:|deb )' | grep -m1 -E 'debian/?( |$)' | sed -E 's/^URIs: *//; s/^deb +(\[[^]]*\] +)?//; s/ .*//' || true)
[ -n "$mirror" ] || mirror=http://deb.debian.org/debian
echo "mirror: $mirror"
unmount_root
rm -rf "$chroot_dir"
mkdir -p "$cache"
debootstrap --variant=minbase --cache-dir="$cache" bookworm "$chroot_dir" "$mirror" >"$work/debootstrap.log" 2>&1 ||
  { tail -20 "$work/debootstrap.log"; fail "debootstrap"; }
cp /etc/resolv.conf "$chroot_dir/etc/resolv.conf"
mount -t proc proc "$chroot_dir/proc"
mount --bind /dev "$chroot_dir/dev"
mount --bind /dev/pts "$chroot_dir/dev/pts" 2>/dev/null || true
in_root() { chroot "$chroot_dir" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 "$@"; }
export DEBIAN_FRONTEND=noninteractive

say "install with apt"
mkdir -p "$chroot_dir/tmp/debs"
cp "$work"/debs/*.deb "$chroot_dir/tmp/debs/"
in_root apt-get update -qq
in_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq man-db bash-completion >/dev/null
in_root sh -c 'env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq /tmp/debs/*.deb' >"$work/apt.log" 2>&1 ||
  { tail -30 "$work/apt.log"; fail "apt-get install of the packages"; }

say "the command"
in_root sh -c 'cd /tmp && tessaline -o x.png && test "$(head -c 4 x.png | tail -c 3)" = PNG' || fail "tessaline -o x.png"
version=$(in_root tessaline --version) || fail "tessaline --version"
echo "$version"
grep -q "^tessaline [0-9]" <<<"$version" || fail "tessaline --version says: $version"
in_root man -w tessaline || fail "man -w tessaline"
for page in tessastudio tessaline-regsvr; do in_root man -w "$page" >/dev/null || fail "man -w $page"; done
in_root sh -c 'man tessaline 2>/dev/null | grep -q "EAN 13"' || fail "the man page lists the types"
# The completion offers the types' names and ids, the formats and the options.
complete_words() {
  in_root bash -c 'source /usr/share/bash-completion/bash_completion
    source /usr/share/bash-completion/completions/tessaline
    COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); COMP_LINE="$*"; COMP_POINT=${#COMP_LINE}
    _tessaline; printf "%s\n" "${COMPREPLY[@]}"' complete "$@"
}
# (Output taken whole: grep -q would close the pipe on the first match.)
has_word() { local words; words=$(complete_words "${@:2}"); grep -Fqx -- "$1" <<<"$words"; }
has_word 'EAN\ 13' tessaline --type EAN || fail "completion of type names"
has_word '32' tessaline --type 3 || fail "completion of type ids"
has_word 'svg' tessaline --format s || fail "completion of formats"
has_word '--no-text' tessaline --no- || fail "completion of options"

say "registered system-wide"
registry="$chroot_dir/usr/share/tessaline/registry.ini"
[ -f "$registry" ] || fail "no system registry"
grep -q '^\[ProgID\\BARCODE.BarcodeCtrl.1\]' "$registry" || fail "the control is not registered"
grep -q "^InprocServer32=/usr/lib/$multiarch/libtessaline.so.0\$" "$registry" || fail "not registered by its soname"
grep -q "^InprocServer32=/usr/lib/$multiarch/libtessaline-qt.so.0\$" "$registry" || fail "the property pages are not registered"

say "desktop"
grep -q ':application/x-tessaline-barcode:\*\.bar$' "$chroot_dir/usr/share/mime/globs2" || fail "the MIME type of .bar is not known"
grep -q 'application/x-tessaline-barcode=tessastudio.desktop' "$chroot_dir/usr/share/applications/mimeinfo.cache" ||
  fail "the desktop entry does not open .bar documents"

say "the editor starts with the control"
in_root useradd -m tester
status=0
in_root sh -c 'cd /home/tester && exec setpriv --reuid=tester --regid=tester --init-groups env HOME=/home/tester QT_QPA_PLATFORM=offscreen timeout 3 tessastudio' \
  >"$work/studio.log" 2>&1 || status=$?
cat "$work/studio.log"
[ "$status" = 124 ] || fail "tessastudio did not keep running (status $status)"
if grep -qiE 'not registered|cannot be loaded|not correctly installed' "$work/studio.log"; then
  fail "tessastudio did not find the control"
fi
[ ! -e "$chroot_dir/home/tester/.local/share/tessaline/registry.ini" ] || fail "the editor wrote a user registry"

if ls "$work"/debs/python3-tessaline_*.deb >/dev/null 2>&1; then
  say "the Python module"
  in_root python3 -c 'import tessaline' || fail "import tessaline"
fi

say "removal"
packages=$(for deb in "$work"/debs/*.deb; do dpkg-deb -f "$deb" Package; done)
in_root env DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq $packages >/dev/null
for dir in usr/share/tessaline usr/local/share/tessaline root/.local/share/tessaline; do
  [ ! -e "$chroot_dir/$dir" ] || { ls -la "$chroot_dir/$dir"; fail "$dir is left after removal"; }
done
left=$(find "$chroot_dir/usr/share" "$chroot_dir/usr/local/share" "$chroot_dir/home" "$chroot_dir/root" \
  -path '*/tessaline/registry.ini' 2>/dev/null)
[ -z "$left" ] || fail "registries left after removal: $left"
in_root sh -c '! command -v tessaline' >/dev/null || fail "tessaline is left after removal"

say "passed in $(( $(date +%s) - start )) s"
