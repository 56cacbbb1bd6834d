#!/usr/bin/env bash
# Builds every preset and runs every test: the native unit tests, the
# Windows build's unit tests under Wine, and the checks of the deliverables.
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

step "fuzz: the script fuzzer, for 60 seconds"
bash scripts/fuzz.sh 60

step "win32: the deliverables"
cmake --preset win32 >/dev/null
cmake --build --preset win32
bash scripts/check-pe.sh build/win32/bin/quarvel.exe \
  kernel32.dll msvcrt.dll user32.dll gdi32.dll comdlg32.dll shell32.dll gdiplus.dll
bash scripts/check-pe.sh --console build/win32/bin/quarvel-check.exe \
  kernel32.dll msvcrt.dll user32.dll gdi32.dll comdlg32.dll gdiplus.dll
bash scripts/check-pe.sh build/win32/bin/splash.exe user32.dll gdi32.dll kernel32.dll msvcrt.dll

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
