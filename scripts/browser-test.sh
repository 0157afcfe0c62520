#!/usr/bin/env bash
# Drives the service's page in headless chromium: types a text into it,
# checks the preview image, the verdict under it and the download links, and
# takes screenshots in German and English (and one phone-sized).
#
#   scripts/browser-test.sh [BUILD_DIR] [OUT_DIR]
#
# BUILD_DIR holds server/tessaline-server (default build/); screenshots go to
# OUT_DIR (default BUILD_DIR/browser-test/). Installs Debian's chromium when
# it is missing and apt can install it; otherwise the test is skipped with a
# message (exit 0). Exit 1 when a check fails.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build}
out=${2:-$build/browser-test}
server=$build/server/tessaline-server
mkdir -p "$out"

if [ ! -x "$server" ]; then
  echo "browser-test: $server is not built (cmake --build $build --target tessaline-server)" >&2
  exit 1
fi

browser=$(command -v chromium || command -v chromium-browser || true)
if [ -z "$browser" ]; then
  if [ "$(id -u)" = 0 ] && command -v apt-get > /dev/null; then
    echo "browser-test: installing Debian's chromium"
    export DEBIAN_FRONTEND=noninteractive
    { apt-get install -y -qq --no-install-recommends chromium ||
      { apt-get update -qq && apt-get install -y -qq --no-install-recommends chromium; }; } > "$out/apt.log" 2>&1 || true
    browser=$(command -v chromium || true)
  fi
fi
if [ -z "$browser" ]; then
  echo "browser-test: SKIPPED - chromium is not installed and cannot be installed here (needs root and apt)"
  exit 0
fi

work=$(mktemp -d)
server_pid=
cleanup() {
  if [ -n "$server_pid" ]; then kill -TERM "$server_pid" 2> /dev/null || true; wait "$server_pid" 2> /dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

"$server" --listen 127.0.0.1:0 > "$work/stdout" 2> "$out/server.log" &
server_pid=$!
for _ in $(seq 100); do
  grep -q '^listening on ' "$work/stdout" 2> /dev/null && break
  sleep 0.05
done
base=$(sed -n 's/^listening on \(http:[^ ]*\)$/\1/p' "$work/stdout")
[ -n "$base" ] || { echo "browser-test: the server did not start" >&2; exit 1; }

# One headless run with a fresh profile. $1 language, the rest chromium's
# own arguments.
run_browser() {
  local lang=$1
  shift
  local profile
  profile=$(mktemp -d "$work/profile.XXXXXX")
  LANGUAGE=$lang LANG=${lang}_DE.UTF-8 timeout 90 "$browser" --headless --no-sandbox --disable-gpu --disable-quic \
    --no-first-run --disable-background-networking --disable-component-update --disable-sync \
    --user-data-dir="$profile" --lang="$lang" --accept-lang="$lang" --hide-scrollbars \
    --virtual-time-budget=8000 "$@" 2> "$work/chromium-$lang.log"
}

failures=0
check() { # description, command...
  local what=$1
  shift
  if "$@"; then echo "ok   $what"; else echo "FAIL $what"; failures=$((failures + 1)); fi
}

typed=4006381333931
text=${typed:0:12}
# Sample text of ISBN in the address; the page then types an EAN 13.
url="$base?type=1&text=#type=$text"
for lang in de en; do
  run_browser "$lang" --dump-dom "$url" > "$out/dom-$lang.html" || true
  dom=$out/dom-$lang.html
  check "$lang: page in its language" grep -q "<html lang=\"$lang\"" "$dom"
  check "$lang: preview follows the typed text" grep -Eq "id=\"image\"[^>]*src=\"/barcode\?type=1&amp;text=$text&amp;format=png\"" "$dom"
  check "$lang: preview image loaded" grep -Eq 'id="image"[^>]*data-loaded="[0-9]+x[0-9]+"' "$dom"
  valid=$([ "$lang" = de ] && echo "gültig" || echo "valid")
  check "$lang: verdict under the preview" grep -q "<dd id=\"valid\">$valid</dd>" "$dom"
  check "$lang: check digit of $text is ${typed:12:1}" grep -q "<dd id=\"checksum\">${typed:12:1}</dd>" "$dom"
  for f in png svg pdf; do
    href=$(grep -o "id=\"dl-$f\"[^>]*" "$dom" | grep -o 'href="[^"]*"' | sed 's/^href="//; s/"$//; s/&amp;/\&/g' || true)
    check "$lang: $f download link names the text" test -n "$href" -a "${href#*text=$text}" != "$href"
    if [ -n "$href" ]; then
      type=$(curl -s -o "$work/download.$f" -w '%{http_code} %{content_type}' "$base${href#/}")
      check "$lang: $f download answers 200 ($type)" test "${type%% *}" = 200
    fi
  done
  check "$lang: shareable address holds the state" grep -Eq "id=\"share\"[^>]*value=\"$base\?type=1&amp;text=$text\"" "$dom"
  run_browser "$lang" --window-size=1200,800 --screenshot="$out/page-$lang.png" "$url" > /dev/null 2>&1 || true
  check "$lang: screenshot taken" test -s "$out/page-$lang.png"
done
run_browser de --window-size=390,1100 --screenshot="$out/page-de-phone.png" "$url" > /dev/null 2>&1 || true
check "de: phone-sized screenshot taken" test -s "$out/page-de-phone.png"

echo "screenshots: $out/page-de.png $out/page-en.png $out/page-de-phone.png"
if [ "$failures" -gt 0 ]; then
  echo "browser-test: $failures check(s) failed (DOM dumps in $out)"
  exit 1
fi
echo "browser-test: all checks passed"
