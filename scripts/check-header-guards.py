#!/usr/bin/env python3
"""Fails unless every header's include guard follows its path:
quarvel/native/pdf/pdf_file.h is guarded by QUARVEL_NATIVE_PDF_PDF_FILE_H_,
splash/ball_walk.h by SPLASH_BALL_WALK_H_, bench/x.h by QUARVEL_BENCH_X_H_."""
import pathlib
import re
import sys

ROOT = pathlib.Path(__file__).resolve().parent.parent
PREFIXES = {"quarvel": "", "splash": "", "bench": "QUARVEL_", "fuzz": "QUARVEL_"}


def expected_guard(path):
    relative = path.relative_to(ROOT).as_posix()
    return PREFIXES[relative.split("/")[0]] + re.sub(r"[/.]", "_", relative).upper() + "_"


def main():
    wrong = []
    for top in PREFIXES:
        for header in sorted((ROOT / top).rglob("*.h")):
            text = header.read_text(encoding="utf-8")
            guard = expected_guard(header)
            if f"#ifndef {guard}\n#define {guard}\n" not in text:
                found = re.search(r"^#ifndef (\w+_H_)$", text, re.M)
                wrong.append(f"{header.relative_to(ROOT)}: guard "
                             f"{found.group(1) if found else 'missing'}, expected {guard}")
    for line in wrong:
        print(line, file=sys.stderr)
    return 1 if wrong else 0


if __name__ == "__main__":
    sys.exit(main())
