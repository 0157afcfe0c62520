#!/usr/bin/env bash
# Installs the dependencies, builds in Release and renders the default barcode.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DTESSALINE_TESTS=OFF >/dev/null
cmake --build build -j"$(nproc)"
./build/tessaline -o barcode.png
