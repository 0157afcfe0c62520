#!/usr/bin/env bash
# Load test of tessaline-server on loopback with wrk: PNG requests of random
# EAN 13 texts at 64 connections for 30 s, then the same against a plain
# Node http server around bwip-js, in the same run. Prints responses a
# second, latency percentiles, errors and the server's resident memory
# before and after.
#
#   bench/server_load.sh [BUILD_DIR]      (DURATION=30s CONNECTIONS=64 THREADS=2)
#
# Installs Debian's wrk when missing; bwip-js goes into a temporary npm
# directory (skipped with a message when npm cannot fetch it).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build}
server=$build/server/tessaline-server
duration=${DURATION:-30s}
connections=${CONNECTIONS:-64}
threads=${THREADS:-2}

if ! command -v wrk > /dev/null; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get install -y -qq --no-install-recommends wrk > /dev/null 2>&1 ||
    { apt-get update -qq && apt-get install -y -qq --no-install-recommends wrk > /dev/null; }
fi
[ -x "$server" ] || { echo "server_load: build $server first" >&2; exit 1; }

work=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill -TERM "$p" 2> /dev/null || true; wait "$p" 2> /dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

# Starts a server writing "listening on http://…/" on stdout; sets $base and $pid.
start() {
  local name=$1
  shift
  "$@" > "$work/$name.out" 2> "$work/$name.log" &
  pid=$!
  pids+=("$pid")
  for _ in $(seq 200); do
    grep -q '^listening on ' "$work/$name.out" 2> /dev/null && break
    sleep 0.05
  done
  base=$(sed -n 's/^listening on \(http:\/\/[^/]*\)\/$/\1/p' "$work/$name.out")
  [ -n "$base" ] || { echo "server_load: $name did not start" >&2; cat "$work/$name.log" >&2; exit 1; }
}
rss() { awk '/^VmRSS/ {print $2 " kB"}' "/proc/$1/status"; }

# Runs wrk against $base; prints the summary lines that matter.
load() {
  local name=$1 prefix=$2
  curl -sf -o /dev/null "$base$prefix""590123412345" || { echo "server_load: $name does not answer" >&2; exit 1; }
  # A short warm-up, so that both start with their code and caches loaded.
  PATH_PREFIX=$prefix wrk -t"$threads" -c"$connections" -d3s -s "$here/bench/server_load.lua" "$base" > /dev/null
  local before
  before=$(rss "$pid")
  PATH_PREFIX=$prefix wrk -t"$threads" -c"$connections" -d"$duration" --latency -s "$here/bench/server_load.lua" \
    "$base" > "$work/$name.wrk"
  local after
  after=$(rss "$pid")
  echo "== $name ($connections connections, $duration)"
  grep -E 'Requests/sec|Non-2xx|Socket errors|requests in' "$work/$name.wrk" || true
  grep -A4 'Latency Distribution' "$work/$name.wrk" | tail -4
  echo "  RSS before $before, after $after"
}

start tessaline "$server" --listen 127.0.0.1:0
load tessaline-server "/barcode?type=ean13&format=png&text="

# The peer: bwip-js on Node's plain http server.
if command -v node > /dev/null && command -v npm > /dev/null &&
   (cd "$work" && npm init -y > /dev/null 2>&1 && npm install --silent --no-audit --no-fund bwip-js > /dev/null 2>&1); then
  cp "$here/bench/server_bwip.js" "$work/"
  start node-bwip node "$work/server_bwip.js" 0
  load node-bwip-js "/barcode?text="
else
  echo "== node-bwip-js: SKIPPED (node, npm or the bwip-js package is not available)"
fi
