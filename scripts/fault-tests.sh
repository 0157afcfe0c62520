#!/usr/bin/env bash
# Saving under faults that only root can stage: a full disk (a 64 KiB
# tmpfs), a folder a second user may not write, and another user's file
# that the second user may write. Runs the file-saving test program with
# the prepared paths and prints "N passed, N failed"; the exit status is 1
# when any check failed.
#
#   sudo scripts/fault-tests.sh [BUILD_DIR]     (default: build)
set -uo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"

if [ "$(id -u)" != 0 ]; then
    echo "fault-tests.sh: must run as root (it mounts a tmpfs and adds a user)" >&2
    exit 2
fi

export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$PWD}" CCACHE_NOHASHDIR=1
if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTESSALINE_BENCH=OFF >/dev/null || exit 2
fi
cmake --build "$build" --target test_platform_io tessaline-cli -j2 >/dev/null || { echo "fault-tests.sh: build failed" >&2; exit 2; }
program="$(cd "$build" && pwd)/tests/test_platform_io"
command="$(cd "$build" && pwd)/tessaline"

work="$(mktemp -d /tmp/tessaline-faults.XXXXXX)"
user="tlfault$$"
mounted=""
cleanup() {
    [ -n "$mounted" ] && umount "$mounted" 2>/dev/null
    id "$user" >/dev/null 2>&1 && userdel "$user" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

passed=0
failed=0
# check NAME COMMAND...: passes when the command succeeds and its tests
# really ran (a skipped test is no evidence).
# report NAME OK: counts a check and prints its verdict, with the log of a
# failed one.
report() {
    if [ "$2" = 0 ]; then
        passed=$((passed + 1))
        echo "PASS  $1"
    else
        failed=$((failed + 1))
        echo "FAIL  $1"
        sed 's/^/      /' "$work/log"
    fi
}
check() {
    local name="$1"
    shift
    local log="$work/log"
    "$@" >"$log" 2>&1 && grep -q '^\[  PASSED  \]' "$log" && ! grep -q '^\[  SKIPPED \]' "$log"
    report "$name" $?
}

# --- a full disk ---------------------------------------------------------------
full="$work/full"
mkdir -p "$full"
if mount -t tmpfs -o size=64k tessaline-fault "$full"; then
    mounted="$full"
    check "full disk: control PNG, profile and bytes keep the old files" \
        env TESSALINE_FULL_FS="$full" "$program" --gtest_filter='FullDisk.*'
    umount "$full" && mounted=""
    # The command on a full disk: exit 3 with the system's reason, the old
    # files as they were, no temporary file left.
    if mount -t tmpfs -o size=64k tessaline-fault "$full"; then
        mounted="$full"
        "$command" --type code128 --text old -o "$full/keep.png" >/dev/null 2>&1
        "$command" --type code128 --text old -o "$full/keep.pdf" >/dev/null 2>&1
        cp "$full/keep.png" "$work/keep.png"
        cp "$full/keep.pdf" "$work/keep.pdf"
        dd if=/dev/zero of="$full/filler" bs=4k >/dev/null 2>&1
        long=$(printf 'X%.0s' $(seq 1 300))
        printf '14\t%s\tone.pdf\n14\t%s\ttwo.png\n' "$long" "$long" >"$work/batch.txt"
        outcome() {
            local name="$1" want="$2"
            shift 2
            "$@" >"$work/log" 2>&1
            local got=$?
            echo "(exit $got)" >>"$work/log"
            [ "$got" = "$want" ] && grep -q "No space left on device" "$work/log" &&
                cmp -s "$full/keep.png" "$work/keep.png" && cmp -s "$full/keep.pdf" "$work/keep.pdf" &&
                [ -z "$(find "$full" -name '.tl-*')" ]
            report "$name" $?
        }
        outcome "full disk: the command keeps the old PNG and exits 3" 3 \
            "$command" --type code128 --text "$long" -o "$full/keep.png"
        outcome "full disk: the command keeps the old PDF and exits 3" 3 \
            "$command" --type code128 --text "$long" -o "$full/keep.pdf"
        outcome "full disk: a batch exits 3 and leaves no temporary file" 3 \
            "$command" --batch "$work/batch.txt" -o "$full/out"
        # A new file the disk could not hold is taken away, not left cut short.
        [ -z "$(find "$full/out" -type f 2>/dev/null)" ]
        report "full disk: a batch leaves no cut-short output" $?
        umount "$full" && mounted=""
    fi
else
    failed=$((failed + 1))
    echo "FAIL  full disk: cannot mount a tmpfs"
fi

# --- a second user -------------------------------------------------------------
if useradd --no-create-home --home-dir /nonexistent --shell /usr/sbin/nologin "$user"; then
    home="$work/home"
    mkdir -p "$home"
    chown "$user": "$home"
    chmod 755 "$work"
    as_user() { runuser -u "$user" -- env TMPDIR="$home" HOME="$home" "$@"; }

    check "read-only folder: files of the user are saved in place, new files refused" \
        as_user "$program" --gtest_filter='SafeFile.WritableFileInReadOnlyFolderIsWrittenInPlace:ReadOnlyFolder.*'

    # Root's file that the user may write, in a plain shared folder and in
    # a sticky one: the file keeps its owner, inode and mode.
    for mode in 0777 1777; do
        shared="$work/shared-$mode"
        mkdir -p "$shared"
        chmod "$mode" "$shared"
        printf 'root owns this\n' >"$shared/foreign.png"
        chmod 0666 "$shared/foreign.png"
        check "another user's writable file in a folder of mode $mode keeps its owner" \
            as_user env TESSALINE_FOREIGN_FILE="$shared/foreign.png" "$program" --gtest_filter='ForeignFile.*'
    done
else
    failed=$((failed + 1))
    echo "FAIL  cannot add a second user"
fi

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
