#!/usr/bin/env bash
# The native quarvel printing PWG Raster to a file, beside Ghostscript making
# the same raster from quarvel's own PDF of the same script, in the same run:
#
#   quarvel -T pwg --dpi=D -o out.pwg SCRIPT
#   gs -q -dNOPAUSE -dBATCH -dSAFER -sDEVICE=pwgraster -r D
#      -dcupsColorSpace=19 -dcupsBitsPerColor=8 -sOutputFile=out.pwg quarvel.pdf
#
# for 300 and 600 dpi and for scripts of 10 and 1,000 pages, each page an
# invoice: the example logo, a title, a table with its rules, 40 lines of
# text. quarvel.pdf is `quarvel -T pdf --dpi=D` of the script, made once for
# each script and resolution and not timed. Both make 8-bit sRGB: quarvel's
# PWG Raster is sRGB 8-bit unless asked for monochrome, while Ghostscript's
# pwgraster device makes 1-bit black (cupsColorSpace 3, cupsBitsPerColor 1)
# unless told otherwise, hence its two -d options (19 is sRGB). Ghostscript
# has its defaults otherwise: one rendering thread, a 600 dpi page drawn in
# bands.
#
# Measured: the least wall time of three runs, as pages a second, and the
# largest peak resident set size of those runs (/usr/bin/time -f %M). Every
# output is walked page by page (/usr/bin/python3) to check that both
# programs made the same number of pages, at the same resolution and in the
# same colour space, so that like is timed against like.
#
# Goals, each PASS or FAIL; the script exits nonzero when one fails:
#   speed    quarvel at least 2 x as fast as Ghostscript at each resolution
#            and page count
#   memory   quarvel's peak grows by at most 50 MB from 10 to 1,000 pages,
#            at each resolution
#
# Run by hand, not by CI. Needs /usr/bin/time and /usr/bin/python3;
# Ghostscript is installed when missing (as root, from the package archive).
# Without BUILD_DIR, the native build is configured and quarvel built first;
# with it, the quarvel in BUILD_DIR/bin is taken as it is:
#
#   bash bench/raster_bench.sh [BUILD_DIR]   (default build/native)
#
# The outputs go to a directory in /tmp, which needs about 5 GB free (a
# page of 600 dpi PWG Raster is about 2 MB), and are removed afterwards.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build/native}
if [ $# -eq 0 ]; then
  cmake --preset native >/dev/null
  cmake --build "$build" --target quarvel >/dev/null
fi
quarvel=$(cd "$build" && pwd)/bin/quarvel
bench=$(pwd)/bench
logo=$(pwd)/examples/logo.png

resolutions=(300 600)
small_pages=10
large_pages=1000
speed_goal=2
growth_goal_mb=50
needed_kb=$((5 * 1024 * 1024))

source bench/have.sh

if ! have time:/usr/bin/time python3:/usr/bin/python3 ghostscript:gs; then
  echo "raster_bench: ${have_missing[*]} missing" >&2
  exit 1
fi
if ! "$quarvel" --help | grep -qw pwg; then
  echo "raster_bench: $quarvel does not print PWG Raster (-T pwg)" >&2
  exit 1
fi
free_kb=$(df -Pk /tmp | awk 'NR == 2 { print $4 }')
if [ "$free_kb" -lt "$needed_kb" ]; then
  echo "raster_bench: /tmp has $((free_kb / 1024)) MB free, $((needed_kb / 1024)) MB are needed" >&2
  exit 1
fi

work=$(mktemp -d /tmp/quarvel-raster.XXXXXX)
trap 'rm -rf "$work"' EXIT
cp "$logo" "$work"

# Writes a script of $1 invoice pages to $2, with the text line of the
# speed benchmark's scripts, in their code page and line ends.
make_script() {
  /usr/bin/python3 - "$bench" "$1" "$2" <<'EOF'
import sys

sys.path.insert(0, sys.argv[1])
from make_scripts import PROLOGUE, TEXT_LINE, segment, text_block, write_lines


def invoice_page(number):
    lines = ["beginPage", "beginImage", "logo.png", "435", "405", "200", "67"]
    lines += text_block(160, 50, 770, ["Invoice 2026-%d" % number], "bold")
    lines += text_block(96, 50, 735, ["Quarvel Printing Ltd.", "12 Harbour Street, Brno"])
    lines += ["beginSimpleTable"]
    lines += text_block(96, 52, 687, ["Item %d, 500 pcs" % row for row in range(1, 5)])
    lines += text_block(96, 432, 687, ["%d.50" % (12 * row) for row in range(1, 5)])
    lines += ["beginCols", "50", "688", "50", "640"]
    for x in (430, 570):
        lines += segment("beginCol", x, 688, x, 640)
    lines += ["endCols", "beginRows"]
    for y in range(688, 639, -12):
        lines += segment("beginRow", 50, y, 570, y)
    lines += ["endRows", "endSimpleTable"]
    lines += text_block(96, 50, 610, [TEXT_LINE % (number, line) for line in range(1, 41)])
    lines += text_block(80, 50, 40, ["Page %d" % number], "italic")
    return lines + ["endPage"]


with open(sys.argv[3], "wb") as out:
    write_lines(out, PROLOGUE)
    for number in range(1, int(sys.argv[2]) + 1):
        write_lines(out, invoice_page(number))
    write_lines(out, ["endDocument"])
EOF
}

# Runs the command three times in the work directory, its output discarded,
# and prints the least wall time in seconds and the largest peak resident
# set size in kB. A failed run ends the benchmark, with its messages.
measure() {
  local best='' peak=0 start end kb
  for _ in 1 2 3; do
    start=$EPOCHREALTIME
    if ! (cd "$work" && /usr/bin/time -f %M -o "$work/rss" "$@" >/dev/null 2>"$work/stderr"); then
      echo "raster_bench: failed: $*" >&2
      cat "$work/stderr" "$work/rss" >&2
      exit 2
    fi
    end=$EPOCHREALTIME
    kb=$(tail -n 1 "$work/rss")
    [ "$kb" -gt "$peak" ] && peak=$kb
    best=$(awk -v s="$start" -v e="$end" -v b="$best" \
      'BEGIN { t = e - s; print (b == "" || t < b) ? t : b }')
  done
  echo "$best $peak"
}

# Compares the pages of the PWG Raster files $1 (quarvel's) and $2
# (Ghostscript's): prints what they hold, or why they differ and returns 1.
same_pages() {
  /usr/bin/python3 - "$1" "$2" <<'EOF'
import mmap
import struct
import sys

SPACES = {3: "black", 18: "sGray", 19: "sRGB"}


def pages(path):
    """The (x dpi, y dpi, colour space, bits a colour, width, height) of each page."""
    found = []
    with open(path, "rb") as file, mmap.mmap(file.fileno(), 0, access=mmap.ACCESS_READ) as data:
        if data[:4] != b"RaS2":
            sys.exit("%s: no PWG Raster synchronization word" % path)
        at = 4
        while at < len(data):
            if at + 1796 > len(data):
                sys.exit("%s: page %d: its header is cut short" % (path, len(found) + 1))
            header = struct.unpack_from(">37I", data, at + 256)
            at += 1796
            # From offset 256: HWResolution at 5, 6; cupsWidth at 29, then
            # cupsHeight, cupsMediaType, cupsBitsPerColor, cupsBitsPerPixel,
            # cupsBytesPerLine, cupsColorOrder and cupsColorSpace at 36.
            width, height, _, bits, pixel_bits, line_bytes = header[29:35]
            found.append((header[5], header[6], header[36], bits, width, height))
            pixel = max(pixel_bits // 8, 1)
            # Each group of identical lines: its count less one, then runs of
            # a repeated pixel (0 to 127: one pixel, 1 to 128 times) or of
            # literal pixels (129 to 255: 128 down to 2 pixels), 128 ending
            # the line in white.
            row = 0
            while row < height and at < len(data):
                row += data[at] + 1
                at += 1
                done = 0
                while done < line_bytes and at < len(data):
                    code = data[at]
                    at += 1
                    if code == 128:
                        done = line_bytes
                    elif code < 128:
                        done += (code + 1) * pixel
                        at += pixel
                    else:
                        done += (257 - code) * pixel
                        at += (257 - code) * pixel
                if done != line_bytes or at > len(data):
                    sys.exit("%s: page %d: a line of %d bytes, not %d" % (path, len(found), done, line_bytes))
            if row < height:
                sys.exit("%s: page %d: %d lines, not %d" % (path, len(found), row, height))
    return found


def describe(page):
    x_dpi, y_dpi, space, bits, width, height = page
    return "%dx%d px at %dx%d dpi, %s %d-bit" % (width, height, x_dpi, y_dpi, SPACES.get(space, "colour space %d" % space), bits)


ours, theirs = pages(sys.argv[1]), pages(sys.argv[2])
kinds = {name: sorted(set(describe(page) for page in found)) for name, found in (("quarvel", ours), ("gs", theirs))}
if len(ours) != len(theirs) or [page[:4] for page in ours] != [page[:4] for page in theirs]:
    sys.exit("pages differ: quarvel %d, %s; gs %d, %s"
             % (len(ours), "; ".join(kinds["quarvel"]), len(theirs), "; ".join(kinds["gs"])))
print("%d pages each, quarvel %s, gs %s" % (len(ours), "; ".join(kinds["quarvel"]), "; ".join(kinds["gs"])))
EOF
}

make_script "$small_pages" "$work/small.txt"
make_script "$large_pages" "$work/large.txt"

failed=0
differ=0
rows=()
declare -A quarvel_kb
lowest_ratio=
for dpi in "${resolutions[@]}"; do
  for size in small large; do
    pages=${size}_pages
    pages=${!pages}
    (cd "$work" && "$quarvel" -q -T pdf --dpi="$dpi" -o quarvel.pdf "$size.txt")
    result=$(measure "$quarvel" -q -T pwg --dpi="$dpi" -o quarvel.pwg "$size.txt")
    read -r ours ours_kb <<<"$result"
    result=$(measure gs -q -dNOPAUSE -dBATCH -dSAFER -sDEVICE=pwgraster \
      -r"$dpi" -dcupsColorSpace=19 -dcupsBitsPerColor=8 -sOutputFile=gs.pwg quarvel.pdf)
    read -r theirs theirs_kb <<<"$result"
    check=$(same_pages "$work/quarvel.pwg" "$work/gs.pwg" 2>&1) || differ=1
    printf '%4d dpi %5d pages: %s\n' "$dpi" "$pages" "$check"
    rm -f "$work/quarvel.pwg" "$work/gs.pwg"
    ratio=$(awk -v a="$theirs" -v b="$ours" 'BEGIN { printf "%.1f", a / b }')
    lowest_ratio=$(awk -v r="$ratio" -v l="$lowest_ratio" 'BEGIN { print (l == "" || r < l) ? r : l }')
    quarvel_kb[$dpi.$size]=$ours_kb
    rows+=("$(awk -v d="$dpi" -v p="$pages" -v o="$ours" -v t="$theirs" -v r="$ratio" \
      -v ok="$ours_kb" -v tk="$theirs_kb" \
      'BEGIN { printf "%4d %6d %10.1f %10.1f %7.1fx %11.1f %8.1f", d, p, p / o, p / t, r, ok / 1024, tk / 1024 }')")
  done
done

printf '\n%4s %6s %10s %10s %8s %11s %8s\n' dpi pages "quarvel/s" "gs/s" ratio "quarvel MB" "gs MB"
printf '%s\n' "${rows[@]}"
echo

verdict=PASS
awk -v l="$lowest_ratio" -v g="$speed_goal" 'BEGIN { exit !(l < g) }' && verdict=FAIL
printf 'speed:  %s  quarvel at least %d x as fast as gs at each size (least: %s x)\n' \
  "$verdict" "$speed_goal" "$lowest_ratio"
[ "$verdict" = PASS ] || failed=1

verdict=PASS
growths=
for dpi in "${resolutions[@]}"; do
  growth_kb=$((quarvel_kb[$dpi.large] - quarvel_kb[$dpi.small]))
  [ "$growth_kb" -gt $((growth_goal_mb * 1024)) ] && verdict=FAIL
  growths+=$(awk -v d="$dpi" -v k="$growth_kb" -v s="${growths:+, }" \
    'BEGIN { printf "%s%d dpi %+.1f MB", s, d, k / 1024 }')
done
printf 'memory: %s  quarvel peak grows by at most %d MB from %d to %d pages (%s)\n' \
  "$verdict" "$growth_goal_mb" "$small_pages" "$large_pages" "$growths"
[ "$verdict" = PASS ] || failed=1
if [ "$differ" -ne 0 ]; then
  echo "raster_bench: quarvel's pages and Ghostscript's differ (above): the figures compare unlike work" >&2
  failed=1
fi
exit "$failed"
