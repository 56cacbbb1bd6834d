#!/usr/bin/env bash
# Peak memory of the native quarvel against the size of its script, and of
# its longest line:
#
# - the peak resident set size of a run with the log printer over a
#   generated 10 MB script and over a generated 1 GB script, and their
#   difference, which must stay below 1 MB: the interpreter holds one line
#   at a time, and both scripts repeat the pages of examples/invoice.txt, so
#   their longest line is the same;
# - the peak of a script of one text line of 20 MB and of 200 MB, printed
#   in every format, which must stay below four times the line and a base of
#   64 MB: the interpreter holds the line and its UTF-16 text, and the
#   printer draws it a piece at a time.
#
# Exits nonzero when a bound is crossed. Run by hand, not by CI:
#
#   bash bench/peak_memory.sh [BUILD_DIR]   (default build/native)
#
# The scripts are written to a directory in /tmp, which needs about 1.3 GB
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

line_mbs=(20 200)
line_base_kb=$((64 * 1024))
needed_kb=$(((large_mb + small_mb + 200 + 64) * 1024))
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
# log printer, or with the options that follow. Runs in the work directory,
# where the traces and the output go.
peak_kb() {
  local script=$1
  shift
  local printer=(env QUARVEL_PRINTER=log)
  [ $# -eq 0 ] || printer=(env)
  (cd "$work" && "${printer[@]}" /usr/bin/time -v "$quarvel" -q "$@" "$script" 2>&1 >/dev/null) |
    awk -F': ' '/Maximum resident set size/ { print $2 }'
}

# Writes a script of one text line of $2 MB to $1.
generate_line() {
  printf 'x\nbeginDocument\nbeginPage\nbeginText\n\n60\nnormal\n\n10\n700\n' >"$1"
  head -c $(($2 << 20)) /dev/zero | tr '\0' 'W' >>"$1"
  printf '\nendText\nendPage\nendDocument\n' >>"$1"
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

failed=0
if [ "$difference_kb" -ge "$limit_kb" ]; then
  echo "peak_memory: the peak grows with the script" >&2
  failed=1
fi
rm -f "$work/small.txt" "$work/large.txt"

printf '\n%-12s %-6s %12s %12s\n' "one line" "format" "peak RSS" "bound"
for mb in "${line_mbs[@]}"; do
  generate_line "$work/line.txt" "$mb"
  bound_kb=$((4 * mb * 1024 + line_base_kb))
  for format in pdf ps svg png; do
    line_kb=$(peak_kb "$work/line.txt" -T "$format" --dpi 300 -o "$work/line.$format")
    printf '%-12s %-6s %9d kB %9d kB\n' "$mb MB" "$format" "$line_kb" "$bound_kb"
    if [ "$line_kb" -ge "$bound_kb" ]; then
      echo "peak_memory: a line of $mb MB takes more than four times its length in $format" >&2
      failed=1
    fi
  done
done
exit "$failed"
