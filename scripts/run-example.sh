#!/usr/bin/env bash
# Sets everything up on a fresh Debian machine and runs the main job: builds
# the native quarvel and prints the example invoice with it to a PDF file.
# The PDF (MyDoc.pdf) and the program's trace files land in build/example/.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-packages.sh
cmake --preset native >/dev/null
cmake --build --preset native --target quarvel

mkdir -p build/example
cp examples/invoice.txt examples/logo.png build/example/
cd build/example
rm -f MyDoc.pdf
../native/bin/quarvel invoice.txt
echo "printed examples/invoice.txt to build/example/MyDoc.pdf"
