#!/usr/bin/env bash
# Builds a fuzzer (the fuzz preset) and runs it for a bounded time, starting
# from its seed corpus: script_fuzzer and lsp_fuzzer from fuzz/corpus,
# pdf_fuzzer from fuzz/pdf_corpus, render_fuzzer from fuzz/render_corpus.
# Fails on any crash, sanitizer report, time-out, leak or memory blow-up;
# the input that caused it is kept in build/fuzz-findings/.
# Usage: fuzz.sh [SECONDS [FUZZER]]   (default 60 script_fuzzer)
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
fuzzer=${2:-script_fuzzer}
build=${QUARVEL_FUZZ_BUILD_DIR:-build/fuzz}
case "$fuzzer" in
  script_fuzzer) seeds=fuzz/corpus dict=$(pwd)/fuzz/script.dict ;;
  render_fuzzer) seeds=fuzz/render_corpus dict=$(pwd)/fuzz/script.dict ;;
  pdf_fuzzer) seeds=fuzz/pdf_corpus dict= ;;
  lsp_fuzzer) seeds=fuzz/corpus dict=$(pwd)/fuzz/script.dict ;;
  *) echo "fuzz.sh: no fuzzer $fuzzer (script_fuzzer, render_fuzzer, pdf_fuzzer or lsp_fuzzer)" >&2; exit 2 ;;
esac

cmake --preset fuzz -B "$build" >/dev/null
cmake --build "$build" --target "$fuzzer"

root=$(pwd)
# New inputs go to a scratch corpus; the committed seeds are only read. The
# fuzzer runs in a directory of its own, so every path given to it is
# absolute.
scratch=$(mktemp -d /tmp/quarvel-fuzz-corpus.XXXXXX)
log=$(mktemp /tmp/quarvel-fuzz-log.XXXXXX)
# The fuzzer's own temporary directory, where it runs, is made under this
# one: libFuzzer ends the process without the destructor that removes it.
temp=$(mktemp -d /tmp/quarvel-fuzz-temp.XXXXXX)
trap 'rm -rf "$scratch" "$log" "$temp"' EXIT
export TMPDIR=$temp
mkdir -p build/fuzz-findings

# The font libraries' caches, made once and never freed, are no leaks. Freed
# memory is held back from reuse up to 64 MiB rather than AddressSanitizer's
# 256 MiB, so that the memory limit measures what the inputs take.
export LSAN_OPTIONS="suppressions=$root/quarvel/testing/lsan_suppressions.txt:print_suppressions=0"
export ASAN_OPTIONS=quarantine_size_mb=64
"$root/$build/bin/$fuzzer" "$scratch" "$root/$seeds" \
  ${dict:+-dict="$dict"} \
  -max_total_time="$seconds" -max_len=4096 -use_value_profile=1 -timeout=10 -rss_limit_mb=1024 -detect_leaks=1 \
  -artifact_prefix="$root/build/fuzz-findings/$fuzzer-" -print_final_stats=1 2>&1 | tee "$log"

# pixman reports a broken assumption on standard error and goes on.
if grep -q '^\*\*\* BUG \*\*\*$' "$log"; then
  echo "fuzz.sh: pixman reported a bug while $fuzzer ran (see above)" >&2
  exit 1
fi
