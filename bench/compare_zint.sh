#!/bin/sh
# Batch speed and file size of `tessaline --batch` against `zint --batch`
# (Debian package zint) on the same EAN 13 texts, both drawing the same
# symbol: modules of 2 pixels, the standard's quiet zones (11 and 7 modules
# beside the bars, 2 above and below) and bars of 69.24 modules (22.85 mm
# at 0.33 mm), sized from the symbol by both programs. Installs nothing.
#
#   bench/compare_zint.sh [TESSALINE_BINARY] [LINES] [JOBS]
#
# Defaults: build/tessaline, 10000 lines, 2 jobs. Both write into the same
# scratch directory (TMPDIR, else /dev/shm when present, else /tmp), so
# both meet the same file system. For the three text variants (anti-aliased
# text, the default; bilevel text, tessaline --bilevel, as zint draws its
# text; no text, zint --notext and tessaline --no-text) it prints:
#   - per core: both programs on one core (tessaline --jobs 1), side by
#     side, with the CPU time and the bytes a file and their ratios;
#   - with JOBS jobs: the files a second of tessaline --jobs JOBS against
#     zint, and how the rate scales from 1 to JOBS jobs (the fastest of
#     three runs of each, in turn);
# then the peak resident memory of tessaline for 1,000 and for 100,000
# lines. CPU times and peak memory need GNU time as /usr/bin/time (the
# Debian package `time`).
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

# zint's X dimension is 2 pixels at scale 1; --quietzones gives EAN 13 its
# 11 and 7 light modules, --vwhitesp the 2 above and below.
ZINT_SYMBOL="-b EANX --filetype=png --scale 1 --height 69.24 --quietzones --vwhitesp 2"

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
calc() { echo "$1" | bc -l; }

# One run of zint: $1 directory, $2 extra option. Sets zn, zint_s, zint_cpu,
# zbytes, zfirst.
run_zint() {
    mkdir -p "$1"
    # zint names each file after its text (--mirror) in the current directory.
    start=$(now)
    # shellcheck disable=SC2086
    (cd "$1" && timed "$ZINT" $ZINT_SYMBOL --batch --mirror $2 -i "$WORK/texts.txt" >/dev/null 2>&1)
    zint_s=$(calc "$(now) - $start")
    zint_cpu=$(cat "$WORK/cpu")
    zn=$(count "$1")
    zbytes=$(average_size "$1")
    zfirst=$(find "$1" -iname '*.png' | head -n 1)
}

# One run of tessaline: $1 directory, $2 jobs, $3 extra option. Sets tn,
# tess_s, tess_cpu, tbytes, tfirst.
run_tessaline() {
    start=$(now)
    # shellcheck disable=SC2086
    timed "$TESSALINE" --batch "$WORK/texts.txt" --type "EAN 13" --jobs "$2" $3 -o "$1"
    tess_s=$(calc "$(now) - $start")
    tess_cpu=$(cat "$WORK/cpu")
    tn=$(count "$1")
    tbytes=$(average_size "$1")
    tfirst=$(find "$1" -name '*.png' | head -n 1)
}

us_a_file() { calc "$1 * 1000000 / $2"; }

# Per core: $1 label, $2 zint's extra option, $3 tessaline's.
per_core() {
    run_zint "$WORK/zint" "$2"
    run_tessaline "$WORK/tess" 1 "$3"
    zus=$(us_a_file "$zint_cpu" "$zn"); tus=$(us_a_file "$tess_cpu" "$tn")
    printf '%s, %s lines, zint %s, tessaline %s\n' "$1" "$LINES" "$(png_size "$zfirst")" "$(png_size "$tfirst")"
    printf '  zint --batch              CPU %5.0f us a file, %5d bytes a file (%s), %7.0f files/s\n' \
        "$zus" "$zbytes" "$(png_form "$zfirst")" "$(calc "$zn / $zint_s")"
    printf '  tessaline --batch -j 1    CPU %5.0f us a file, %5d bytes a file (%s), %7.0f files/s\n' \
        "$tus" "$tbytes" "$(png_form "$tfirst")" "$(calc "$tn / $tess_s")"
    if [ "$(calc "$zint_cpu > 0 && $tess_cpu > 0")" = 1 ]; then
        printf '  CPU a file tessaline/zint %.2f   size tessaline/zint %.2f\n' "$(calc "$tus / $zus")" \
            "$(calc "$tbytes / $zbytes")"
    else
        printf '  size tessaline/zint %.2f (CPU times need /usr/bin/time)\n' "$(calc "$tbytes / $zbytes")"
    fi
    rm -rf "$WORK/zint" "$WORK/tess"
}

# With JOBS jobs: $1 label, $2 zint's extra option, $3 tessaline's.
parallel() {
    run_zint "$WORK/zint" "$2"
    # A batch takes a fraction of a second, so one run says more about
    # the machine's noise than about the scaling: 1 and JOBS jobs run in
    # turn, three times each, and the fastest of each counts.
    best1=0; bestn=0
    for round in 1 2 3; do
        rm -rf "$WORK/tess"
        run_tessaline "$WORK/tess" 1 "$3"
        if [ "$(calc "$best1 == 0 || $tess_s < $best1")" = 1 ]; then best1=$tess_s; fi
        rm -rf "$WORK/tess"
        run_tessaline "$WORK/tess" "$JOBS" "$3"
        if [ "$(calc "$bestn == 0 || $tess_s < $bestn")" = 1 ]; then bestn=$tess_s; fi
    done
    tess_s=$bestn
    zrate=$(calc "$zn / $zint_s"); trate=$(calc "$tn / $tess_s")
    rate1=$(calc "$tn / $best1")
    printf '%s, %s lines\n' "$1" "$LINES"
    printf '  zint --batch              %6d files in %6.2f s = %8.0f files/s\n' "$zn" "$zint_s" "$zrate"
    printf '  tessaline --batch -j %-4s %6d files in %6.2f s = %8.0f files/s\n' "$JOBS" "$tn" "$tess_s" "$trate"
    printf '  rate tessaline/zint %.2f   %s jobs against 1: %.2f times the files a second\n' \
        "$(calc "$trate / $zrate")" "$JOBS" "$(calc "$trate / $rate1")"
    rm -rf "$WORK/zint" "$WORK/tess"
}

echo "scratch directory: $WORK ($(df -T "$WORK" | awk 'NR == 2 { print $2 }')), $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg)"
echo "--- per core (tessaline --jobs 1)"
per_core "with text" "" ""
# zint's text is bilevel; --bilevel draws ours the same way.
per_core "bilevel text" "" "--bilevel"
per_core "without text" "--notext" "--no-text"
echo "--- tessaline with $JOBS jobs (the scaling needs $JOBS free cores)"
parallel "with text" "" ""
parallel "bilevel text" "" "--bilevel"
parallel "without text" "--notext" "--no-text"

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
