#!/usr/bin/env bash
# Peak memory of the native quarvel against the size of its script. Prints
# the peak resident set size of a run with the log printer over a generated
# 10 MB script and over a generated 1 GB script, and their difference, which
# must stay below 1 MB: the interpreter holds one line at a time, and both
# scripts repeat the pages of examples/invoice.txt, so their longest line is
# the same. Exits nonzero otherwise. Run by hand, not by CI:
#
#   bash bench/peak_memory.sh [BUILD_DIR]   (default build/native)
#
# The scripts are written to a directory in /tmp, which needs about 1.1 GB
# free, and removed afterwards.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build/native}
limit_kb=1024
small_mb=10
large_mb=1024

if [ $# -eq 0 ]; then cmake --preset native >/dev/null; fi
cmake --build "$build" --target quarvel >/dev/null
quarvel=$(pwd)/$build/bin/quarvel

needed_kb=$(((large_mb + small_mb + 64) * 1024))
free_kb=$(df -Pk /tmp | awk 'NR == 2 { print $4 }')
df -h /tmp
if [ "$free_kb" -lt "$needed_kb" ]; then
  echo "peak_memory: /tmp has $((free_kb / 1024)) MB free, $((needed_kb / 1024)) MB are needed" >&2
  exit 1
fi

work=$(mktemp -d /tmp/quarvel-peak-memory.XXXXXX)
trap 'rm -rf "$work"' EXIT

# About 1 MB of whole pages, written once and then copied onto the end of
# the scripts, so that no script is ever held in memory.
pages=$(sed -n '/^beginPage$/,/^endPage$/p' examples/invoice.txt)
for _ in $(seq $((1024 * 1024 / (${#pages} + 1)))); do printf '%s\n' "$pages"; done >"$work/chunk"

# Writes a script of about $2 MB to $1.
generate() {
  printf 'pageOrientation\nportrait\nbeginDocument\n' >"$1"
  for _ in $(seq "$2"); do cat "$work/chunk"; done >>"$1"
  printf 'endDocument\n' >>"$1"
}

# Prints the peak resident set size, in kB, of quarvel printing $1 with the
# log printer. Runs in the work directory, where the traces go.
peak_kb() {
  (cd "$work" && QUARVEL_PRINTER=log /usr/bin/time -v "$quarvel" "$1" 2>&1 >/dev/null) |
    awk -F': ' '/Maximum resident set size/ { print $2 }'
}

generate "$work/small.txt" $small_mb
generate "$work/large.txt" $large_mb
small_kb=$(peak_kb "$work/small.txt")
large_kb=$(peak_kb "$work/large.txt")
difference_kb=$((large_kb - small_kb))

printf '%-12s %14s %12s\n' "script" "bytes" "peak RSS"
printf '%-12s %14d %9d kB\n' "$small_mb MB" "$(stat -c %s "$work/small.txt")" "$small_kb"
printf '%-12s %14d %9d kB\n' "$large_mb MB" "$(stat -c %s "$work/large.txt")" "$large_kb"
printf '%-12s %14s %9d kB (must stay below %d kB)\n' "difference" "" "$difference_kb" "$limit_kb"

if [ "$difference_kb" -ge "$limit_kb" ]; then
  echo "peak_memory: the peak grows with the script" >&2
  exit 1
fi
