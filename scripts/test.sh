#!/usr/bin/env bash
# Builds every preset and runs every test: the native unit tests, the
# Windows build's unit tests under Wine, and the release with the checks of
# its deliverables.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-packages.sh
source scripts/wine-env.sh

step() { printf '\n=== %s\n' "$*"; }

step "native: build and unit tests"
cmake --preset native >/dev/null
cmake --build --preset native
ctest --preset native

step "native: the command line end to end (tests/cli)"
bash tests/cli/run.sh

step "asan: unit tests under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake --preset asan >/dev/null
cmake --build --preset asan
ctest --preset asan

step "fuzz: the script, render, PDF writer and language server fuzzers, for 60 seconds each"
bash scripts/fuzz.sh 60 script_fuzzer
bash scripts/fuzz.sh 60 render_fuzzer
bash scripts/fuzz.sh 60 pdf_fuzzer
bash scripts/fuzz.sh 60 lsp_fuzzer

step "release: the Windows ZIP and the Debian package, and their checks (tests/release)"
cmake --workflow --preset release
python3 tests/release/release_test.py

step "win64: build, and unit tests under Wine"
cmake --preset win64 >/dev/null
cmake --build --preset win64
boot_wine_prefix
ctest --preset win64

step "end-to-end: the suite's own checkers (tests/e2e/*_test.py)"
python3 -m unittest discover -s tests/e2e -p '*_test.py'

step "win64: end-to-end, printing and the banner under Wine (tests/e2e)"
bash tests/e2e/run.sh

echo
echo "all tests passed"
