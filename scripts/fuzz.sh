#!/usr/bin/env bash
# Builds the libFuzzer programs (clang, AddressSanitizer and
# UndefinedBehaviorSanitizer) in build-fuzz/ and runs one of them.
#
#   scripts/fuzz.sh                       build every fuzz program
#   scripts/fuzz.sh NAME [SECONDS] [ARGS] fuzz tests/fuzz/NAME_fuzz.cpp for SECONDS
#                                         (default 1200) or one million runs,
#                                         whichever ends first
#
# New inputs collect in build-fuzz/corpus/NAME (seeded from the kept corpus
# in tests/fuzz/corpus/NAME); crashes land in build-fuzz/findings/NAME.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh clang libclang-rt-14-dev
flags="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer -g"
cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" \
  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" \
  -DCMAKE_SHARED_LINKER_FLAGS="-fsanitize=address,undefined" \
  -DTESSALINE_FUZZ=ON -DTESSALINE_BENCH=OFF >/dev/null
if [ $# -eq 0 ]; then
  targets=$(ls tests/fuzz/*_fuzz.cpp | sed 's|.*/\(.*\)_fuzz.cpp|fuzz_\1|')
  cmake --build build-fuzz -j2 --target $targets
  exit 0
fi
name=$1
seconds=${2:-1200}
shift $(( $# < 2 ? $# : 2 ))
cmake --build build-fuzz -j2 --target "fuzz_$name"
mkdir -p "build-fuzz/corpus/$name" "build-fuzz/findings/$name" "tests/fuzz/corpus/$name"
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:allocator_may_return_null=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$PWD/tests/sanitizer/lsan.supp:print_suppressions=0}
exec "build-fuzz/tests/fuzz/fuzz_$name" -runs=1000000 -max_total_time="$seconds" \
  -artifact_prefix="build-fuzz/findings/$name/" -print_final_stats=1 "$@" \
  "build-fuzz/corpus/$name" "tests/fuzz/corpus/$name"
