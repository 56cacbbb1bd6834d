"""Runs the end-to-end cases in the environment that run.sh set up and says
which held. Usage: e2e.py [CASE...] (directories under cases/, or "splash").

Every case leaves what it made in build/e2e/results/<case>/ (the PDFs of its
jobs as job-1.pdf, job-2.pdf, ..., stdout.txt, exit-code.txt, files/ with
the files it wrote, screenshots); a case that fails is kept besides in
build/e2e/failed/<case>/, with the spooler's logs."""
import os
import shutil
import sys
import time

import native_case
import quarvel_case
import splash_case
from desktop import TimedOut

HERE = os.path.dirname(os.path.abspath(__file__))
CASES_DIR = os.path.join(HERE, "cases")
E2E_DIR = os.environ["E2E_DIR"]
RUN_DIR = os.environ["E2E_RUN_DIR"]
RESULTS_DIR = os.path.join(E2E_DIR, "results")
FAILED_DIR = os.path.join(E2E_DIR, "failed")


def quarvel_cases():
    return sorted(name for name in os.listdir(CASES_DIR)
                  if os.path.isdir(os.path.join(CASES_DIR, name)))


def run_quarvel_case(name, results_dir):
    return quarvel_case.run_case(os.path.join(CASES_DIR, name),
                                 os.path.join(RUN_DIR, "cases", name), results_dir)


def run_one(name, results_dir):
    """Runs the case `name`; returns what did not hold."""
    try:
        if name in splash_case.CASES:
            return splash_case.CASES[name](results_dir)
        if name in native_case.CASES:
            return native_case.CASES[name](results_dir)
        return run_quarvel_case(name, results_dir)
    except TimedOut as timeout:
        return [str(timeout)]


def keep_failure(name, results_dir):
    kept = os.path.join(FAILED_DIR, name)
    shutil.copytree(results_dir, kept)
    shutil.copytree(os.path.join(RUN_DIR, "cups", "log"), os.path.join(kept, "cups-log"))
    return kept


def main(selected):
    # The native cases come last: they compare with what the others printed.
    known = quarvel_cases() + list(splash_case.CASES) + list(native_case.CASES)
    unknown = [name for name in selected if name not in known]
    if unknown:
        print(f"no such case: {', '.join(unknown)} (cases: {', '.join(known)})")
        return 2
    names = selected or known
    failed = []
    suite_started = time.monotonic()
    for name in names:
        results_dir = os.path.join(RESULTS_DIR, name)
        for directory in (results_dir, os.path.join(FAILED_DIR, name)):
            shutil.rmtree(directory, ignore_errors=True)
        os.makedirs(results_dir)
        started = time.monotonic()
        messages = run_one(name, results_dir)
        seconds = time.monotonic() - started
        if not messages:
            print(f"ok    {name} ({seconds:.1f}s)", flush=True)
            continue
        failed.append(name)
        print(f"FAIL  {name} ({seconds:.1f}s)", flush=True)
        for message in messages:
            print(f"      {message}", flush=True)
        print(f"      kept in {keep_failure(name, results_dir)}", flush=True)
    total = time.monotonic() - suite_started
    print(f"\n{len(names) - len(failed)} of {len(names)} end-to-end cases passed "
          f"in {total:.0f}s" + (f"; failed: {', '.join(failed)}" if failed else ""))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
