#!/usr/bin/env bash
# Installs the dependencies, builds the test suite and runs it.
#
#   scripts/test.sh             the normal build, in build-test/
#   scripts/test.sh --sanitize  the tests built with AddressSanitizer and
#                               UndefinedBehaviorSanitizer, in build-sanitize/
#                               (no benchmarks); the replay of the fuzz corpus
#                               runs among them
set -euo pipefail
cd "$(dirname "$0")/.."
sanitize=0
case "${1:-}" in
  "") ;;
  --sanitize) sanitize=1 ;;
  *) echo "usage: scripts/test.sh [--sanitize]" >&2; exit 2 ;;
esac
bash scripts/install-deps.sh
jobs="$(nproc)"

if [ "$sanitize" -eq 0 ]; then
  cmake -S . -B build-test -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build build-test -j"$jobs"
  ctest --test-dir build-test --output-on-failure -j"$jobs"
  exit 0
fi

cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTESSALINE_SANITIZE=ON -DTESSALINE_BENCH=OFF >/dev/null
export ASAN_OPTIONS="detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1:check_initialization_order=1"
export LSAN_OPTIONS="suppressions=$PWD/tests/sanitizer/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
cmake --build build-sanitize -j"$jobs"
ctest --test-dir build-sanitize --output-on-failure -j"$jobs"
