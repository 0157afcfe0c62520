#!/usr/bin/env bash
# Installs the dependencies, builds in Release and renders the default barcode.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DTESSALINE_TESTS=OFF -DTESSALINE_BENCH=OFF >/dev/null
cmake --build build -j"$(nproc)"
./build/tessaline -o barcode.png
echo "Rendered the default barcode (EAN 13, 123456789012) to $(pwd)/barcode.png"
