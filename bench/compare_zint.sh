#!/bin/sh
# Batch speed and file size of `tessaline --batch` against `zint --batch`
# (Debian package zint) on the same EAN 13 texts at the same image size,
# run one after the other on this machine. Installs nothing.
#
#   bench/compare_zint.sh [TESSALINE_BINARY] [LINES] [JOBS]
#
# Defaults: build/tessaline, 10000 lines, 2 jobs. Both write into the same
# scratch directory (TMPDIR, else /dev/shm when present, else /tmp), so
# both meet the same file system. Prints the files per second of each, the
# average file sizes and the ratios, once with the human-readable text and
# once with bilevel text (tessaline --bilevel), once without it
# (zint --notext, tessaline --no-text), then the peak
# resident memory of tessaline for 1,000 and for 100,000 lines (this needs
# GNU time as /usr/bin/time: the Debian package `time`).
set -eu

TESSALINE=${1:-build/tessaline}
LINES=${2:-10000}
JOBS=${3:-2}
ZINT=$(command -v zint || true)
[ -x "$TESSALINE" ] || { echo "no tessaline binary at $TESSALINE" >&2; exit 2; }
[ -n "$ZINT" ] || { echo "zint is not installed (Debian package zint)" >&2; exit 2; }
TESSALINE=$(cd "$(dirname "$TESSALINE")" && pwd)/$(basename "$TESSALINE")

if [ -n "${TMPDIR:-}" ]; then BASE=$TMPDIR; elif [ -w /dev/shm ]; then BASE=/dev/shm; else BASE=/tmp; fi
WORK=$(mktemp -d "$BASE/tessaline-vs-zint.XXXXXX")
trap 'rm -rf "$WORK"' EXIT

# Random 12-digit EAN 13 texts (the check digit is added by both), the same
# for every run.
texts() {
    awk -v n="$1" 'BEGIN { srand(4711); for (i = 0; i < n; i++) { s = ""; for (k = 0; k < 12; k++) s = s int(rand() * 10); print s } }'
}
texts "$LINES" > "$WORK/texts.txt"

now() { date +%s.%N; }
# Runs a command, keeping its user + system CPU seconds in $WORK/cpu (0
# without GNU time).
timed() {
    if [ -x /usr/bin/time ]; then
        /usr/bin/time -f '%U %S' -o "$WORK/cpu.raw" "$@"
        awk '{ print $1 + $2 }' "$WORK/cpu.raw" > "$WORK/cpu"
    else
        "$@"
        echo 0 > "$WORK/cpu"
    fi
}
# Width and height of a PNG file from its IHDR chunk.
png_size() { od -An -tu1 -j16 -N8 "$1" | awk '{ printf "%dx%d", $3 * 256 + $4, $7 * 256 + $8 }'; }
# Colour type and bit depth of a PNG file.
png_form() {
    od -An -tu1 -j24 -N2 "$1" | awk '{ split("grey,?,RGB,palette,grey+alpha,?,RGBA", t, ","); printf "%d-bit %s", $1, t[$2 + 1] }'
}
average_size() { find "$1" -iname '*.png' -printf '%s\n' | awk '{ s += $1; n++ } END { printf "%.0f", n ? s / n : 0 }'; }
count() { find "$1" -iname '*.png' | wc -l; }

# One comparison: $1 label, $2 zint's extra option, $3 tessaline's.
compare() {
    label=$1
    zdir=$WORK/zint-$label
    tdir=$WORK/tessaline-$label
    mkdir -p "$zdir"
    # zint names each file after its text (--mirror) in the current directory.
    start=$(now)
    (cd "$zdir" && timed "$ZINT" -b EANX --batch --mirror --filetype=png --scale 1.1 --height 60 $2 \
        -i "$WORK/texts.txt" >/dev/null 2>&1)
    zint_s=$(echo "$(now) - $start" | bc -l)
    zint_cpu=$(cat "$WORK/cpu")
    first=$(find "$zdir" -iname '*.png' | head -n 1)
    size=$(png_size "$first")

    start=$(now)
    timed "$TESSALINE" --batch "$WORK/texts.txt" --type "EAN 13" --jobs "$JOBS" --size "$size" $3 -o "$tdir"
    tess_s=$(echo "$(now) - $start" | bc -l)
    tess_cpu=$(cat "$WORK/cpu")
    mine=$(find "$tdir" -name '*.png' | head -n 1)

    zn=$(count "$zdir"); tn=$(count "$tdir")
    zrate=$(echo "$zn / $zint_s" | bc -l); trate=$(echo "$tn / $tess_s" | bc -l)
    zbytes=$(average_size "$zdir"); tbytes=$(average_size "$tdir")
    printf '%s, %s lines at %s pixels\n' "$label" "$LINES" "$size"
    printf '  zint --batch              %6d files in %6.2f s = %8.0f files/s, %5d bytes a file (%s), CPU %4.0f us a file\n' \
        "$zn" "$zint_s" "$zrate" "$zbytes" "$(png_form "$first")" "$(echo "$zint_cpu * 1000000 / $zn" | bc -l)"
    printf '  tessaline --batch -j %-4s %6d files in %6.2f s = %8.0f files/s, %5d bytes a file (%s), CPU %4.0f us a file\n' \
        "$JOBS" "$tn" "$tess_s" "$trate" "$tbytes" "$(png_form "$mine")" "$(echo "$tess_cpu * 1000000 / $tn" | bc -l)"
    printf '  rate tessaline/zint %.2f   size tessaline/zint %.2f\n' \
        "$(echo "$trate / $zrate" | bc -l)" "$(echo "$tbytes / $zbytes" | bc -l)"
    # On a machine shared with other work the wall-clock rates depend on the
    # cores left free; the CPU time a file does not.
    if [ "$(echo "$zint_cpu > 0 && $tess_cpu > 0" | bc -l)" = 1 ]; then
        printf '  with %s free cores: tessaline/zint %.2f (from the CPU time a file)\n' "$JOBS" \
            "$(echo "($zint_cpu / $zn) / ($tess_cpu / $tn / $JOBS)" | bc -l)"
    fi
    rm -rf "$zdir" "$tdir"
}

echo "scratch directory: $WORK ($(df -T "$WORK" | awk 'NR == 2 { print $2 }')), $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg)"
compare "with text" "" ""
# zint's text is bilevel; --bilevel draws ours the same way.
compare "bilevel text" "" "--bilevel"
compare "without text" "--notext" "--no-text"

# Peak resident memory for a short and a long batch.
if [ -x /usr/bin/time ] && /usr/bin/time -v true >/dev/null 2>&1; then
    for n in 1000 100000; do
        texts "$n" > "$WORK/mem.txt"
        kb=$( { /usr/bin/time -v "$TESSALINE" --batch "$WORK/mem.txt" --jobs "$JOBS" -o "$WORK/mem" >/dev/null; } 2>&1 |
              awk -F: '/Maximum resident set size/ { gsub(/ /, "", $2); print $2 }')
        printf 'peak resident memory, %6d lines: %6d KB\n' "$n" "$kb"
        rm -rf "$WORK/mem"
    done
else
    echo "peak memory not measured: install GNU time (Debian package 'time') for /usr/bin/time -v"
fi
