#!/usr/bin/env bash
# Builds the script fuzzer (the fuzz preset) and runs it for a bounded time,
# starting from the seed corpus in fuzz/corpus. Fails on any crash,
# sanitizer report, time-out, leak or memory blow-up; the input that caused
# it is kept in build/fuzz-findings/.
# Usage: fuzz.sh [SECONDS]   (default 60)
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
build=${QUARVEL_FUZZ_BUILD_DIR:-build/fuzz}

cmake --preset fuzz -B "$build" >/dev/null
cmake --build "$build" --target script_fuzzer

root=$(pwd)
# New inputs go to a scratch corpus; the committed seeds are only read. The
# fuzzer runs in a directory of its own, so every path given to it is
# absolute.
scratch=$(mktemp -d /tmp/quarvel-fuzz-corpus.XXXXXX)
trap 'rm -rf "$scratch"' EXIT
mkdir -p build/fuzz-findings

"$root/$build/bin/script_fuzzer" "$scratch" "$root/fuzz/corpus" \
  -dict="$root/fuzz/script.dict" \
  -max_total_time="$seconds" -max_len=4096 -use_value_profile=1 -timeout=10 -rss_limit_mb=1024 -detect_leaks=1 \
  -artifact_prefix="$root/build/fuzz-findings/" -print_final_stats=1
