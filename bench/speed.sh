#!/usr/bin/env bash
# The speed of the native quarvel, each figure beside its reference, measured
# in the same run:
#
#   dry run   the operation log (--log) of a 100 MB script of text blocks,
#             against `wc -l` on the same file; and the checker (--check)
#   traces    a 10 MB script with tables on every page: the wall time against
#             the CPU time, and the system calls of each traced block
#   PDF       1,000 pages of 60 lines, against `enscript | ps2pdf` on the
#             same text; and the memory a page costs until its job ends
#
# Run by hand, not by CI. Times are the best of five runs. Needs
# /usr/bin/time; strace, enscript and ghostscript are installed when missing
# (as root, from the package archive), or their figures are skipped.
#
#   bash bench/speed.sh [BUILD_DIR]   (default build/native)
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build/native}
if [ $# -eq 0 ]; then cmake --preset native >/dev/null; fi
cmake --build "$build" --target quarvel >/dev/null
quarvel=$(pwd)/$build/bin/quarvel
make_scripts=$(pwd)/bench/make_scripts.py

work=$(mktemp -d /tmp/quarvel-speed.XXXXXX)
trap 'rm -rf "$work"' EXIT

source bench/have.sh

# have, saying when a section is skipped for what it lacks.
needs() {
  have "$@" && return 0
  echo "  (skipped: ${have_missing[*]} missing)"
  return 1
}

# Prints the least wall time, in seconds, of five runs of the command, which
# runs in the work directory with its output discarded. The clock is bash's
# own, to the microsecond: `wc -l` takes about a hundredth of a second, the
# resolution of /usr/bin/time.
best_wall() {
  local best= start end
  for _ in 1 2 3 4 5; do
    start=$EPOCHREALTIME
    (cd "$work" && "$@" >/dev/null 2>&1) || true
    end=$EPOCHREALTIME
    best=$(awk -v t="$(awk -v s="$start" -v e="$end" 'BEGIN { print e - s }')" -v b="$best" \
      'BEGIN { print (b == "" || t < b) ? t : b }')
  done
  echo "$best"
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.1f", a / b }'; }
megabytes() { awk -v bytes="$(stat -c %s "$1")" 'BEGIN { printf "%.0f", bytes / 1048576 }'; }

dry_run() {
  echo "== dry run: 100 MB of text blocks"
  python3 "$make_scripts" text 100 "$work/text.txt"
  local size wc log check
  size=$(megabytes "$work/text.txt")
  wc=$(best_wall wc -l "$work/text.txt")
  log=$(best_wall "$quarvel" --log "$work/text.txt")
  check=$(best_wall "$quarvel" --check "$work/text.txt")
  printf '  wc -l              %6.3f s\n' "$wc"
  printf '  quarvel --log      %6.3f s  %5.0f MB/s  %s x wc -l (goal: 10 at most)\n' \
    "$log" "$(ratio "$size" "$log")" "$(ratio "$log" "$wc")"
  printf '  quarvel --check    %6.3f s  %5.0f MB/s\n' "$check" "$(ratio "$size" "$check")"
}

# Prints the calls that a run of quarvel --log over $1 makes of the system
# calls that open, look at, truncate, write and close files (the log itself
# goes to standard output by write, which is not counted), as strace -c
# counts them.
system_calls() {
  (cd "$work" && strace -f -c -o "$work/strace" "$quarvel" --log "$1" >/dev/null)
  awk -v names=" openat close fstat newfstatat lseek ftruncate pwrite64 " \
    'index(names, " " $NF " ") && $4 ~ /^[0-9]+$/ { calls += $4 } END { print calls + 0 }' \
    "$work/strace"
}

traces() {
  echo "== traces: 10 MB of invoice pages with tables"
  python3 "$make_scripts" tables 10 "$work/tables.txt"
  (cd "$work" && /usr/bin/time -o "$work/time" -f "%e %U %S" "$quarvel" --log tables.txt >/dev/null)
  read -r wall user system <"$work/time"
  local cpu
  cpu=$(awk -v u="$user" -v s="$system" 'BEGIN { print u + s }')
  printf '  wall %.2f s, CPU %.2f s: wall %s x CPU (goal: 1.2 at most)\n' \
    "$wall" "$cpu" "$(ratio "$wall" "$cpu")"
  needs strace || return 0
  # Two traced blocks a page: a rows block and a header table. The calls of
  # an empty script (start-up, standard output) are taken off.
  local blocks calls empty
  blocks=$(($(grep -c '^beginRows' "$work/tables.txt") + $(grep -c '^beginHeaderTable' "$work/tables.txt")))
  printf '' >"$work/empty.txt"
  empty=$(system_calls "$work/empty.txt")
  calls=$(system_calls "$work/tables.txt")
  printf '  %d traced blocks, %d file system calls: %s per block (goal: 3 at most)\n' \
    "$blocks" "$((calls - empty))" "$(ratio "$((calls - empty))" "$blocks")"
}

# Prints the peak resident set size, in kB, of printing $1 to a PDF file.
pdf_peak_kb() {
  (cd "$work" && /usr/bin/time -f %M -o "$work/time" "$quarvel" -o out.pdf "$1" >/dev/null)
  cat "$work/time"
}

pdf() {
  echo "== PDF: 1,000 pages of 60 lines"
  needs enscript ghostscript:ps2pdf || return 0
  local size quarvel_time reference
  python3 "$make_scripts" pages 1000 60 "$work/pages.txt" "$work/pages-plain.txt"
  reference=$(best_wall sh -c "enscript -q -B -L 60 -p - pages-plain.txt | ps2pdf - ref.pdf")
  printf '  enscript -B -L 60 | ps2pdf  %6.2f s\n' "$reference"
  for size in 60 96; do
    python3 "$make_scripts" pages 1000 "$size" "$work/pages.txt" "$work/pages-plain.txt"
    quarvel_time=$(best_wall "$quarvel" -o out.pdf pages.txt)
    printf '  quarvel, font size %-3d      %6.2f s  %4.0f pages/s  %s x faster (goal: 15 at least)\n' \
      "$size" "$quarvel_time" "$(ratio 1000 "$quarvel_time")" "$(ratio "$reference" "$quarvel_time")"
  done
  python3 "$make_scripts" pages 100 96 "$work/pages100.txt" "$work/plain100.txt"
  local small large
  small=$(pdf_peak_kb pages100.txt)
  large=$(pdf_peak_kb pages.txt)
  printf '  peak memory: %d kB for 100 pages, %d kB for 1,000: %s kB a page\n' \
    "$small" "$large" "$(ratio "$((large - small))" 900)"
}

dry_run
traces
pdf
