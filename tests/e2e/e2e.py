"""Runs the end-to-end cases in the environment that run.sh set up and says
which held. Usage: e2e.py [CASE...] (directories under cases/, or "splash").

Every case leaves what it made in build/e2e/results/<case>/ (the PDFs of its
jobs as job-1.pdf, job-2.pdf, ..., stdout.txt, exit-code.txt, files/ with
the files it wrote, screenshots). A case that fails is kept besides in
build/e2e/failed/<case>/, with what the display and the spooler show after
it, and a case of the Windows programs is run there once more with Wine's
traces on, to show why (tests/e2e/README.md, "Failure records")."""
import os
import shutil
import subprocess
import sys
import time

import desktop
import native_case
import quarvel_case
import spooler
import splash_case
import wine
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


def keep_spooler_logs(destination):
    """Copies the spooler's logs once it has ended every job, so that they
    hold all of the case's jobs, with its status as `lpstat -t` tells it;
    then cancels the jobs that it could not end."""
    try:
        spooler.wait_until_printed()
    except TimedOut:
        pass
    shutil.copytree(os.path.join(RUN_DIR, "cups", "log"), destination)
    with open(os.path.join(destination, "lpstat.txt"), "wb") as file:
        subprocess.run(["lpstat", "-t"], stdout=file, stderr=subprocess.STDOUT, check=False)
    spooler.cancel_all_jobs()


def rerun_traced(name, rerun_dir):
    """Runs the case of a Windows program once more, with Wine's traces on,
    into `rerun_dir`; returns what did not hold then. The case's verdict
    stays its first run's: the rerun only shows why. The queue is left
    empty for the next case."""
    quiet = os.environ["WINEDEBUG"]
    os.environ["WINEDEBUG"] = wine.TRACE_CHANNELS
    try:
        os.makedirs(rerun_dir)
        return run_one(name, rerun_dir)
    finally:
        os.environ["WINEDEBUG"] = quiet
        spooler.cancel_all_jobs()


def write_messages(directory, messages):
    with open(os.path.join(directory, "messages.txt"), "w") as file:
        file.writelines(f"{message}\n" for message in messages)


def keep_failure(name, results_dir, messages):
    """Keeps what the case left, what it said, the display's windows and
    screen and the spooler's logs as they are after it, and the traced rerun
    of a case of the Windows programs. Returns the lines that tell where."""
    kept = os.path.join(FAILED_DIR, name)
    shutil.copytree(results_dir, kept)
    write_messages(kept, messages)
    desktop.save_window_list(os.path.join(kept, "windows-after.txt"))
    desktop.save_screenshot(os.path.join(kept, "screen-after.png"))
    keep_spooler_logs(os.path.join(kept, "cups-log"))
    lines = [f"kept in {kept}"]
    if name in quarvel_cases() or name in splash_case.CASES:
        rerun_dir = os.path.join(kept, "traced")
        rerun_messages = rerun_traced(name, rerun_dir)
        write_messages(rerun_dir, rerun_messages)
        outcome = "failed again" if rerun_messages else "passed: the failure did not repeat"
        lines.append(f"rerun with Wine's traces ({rerun_dir}/wine-stderr.txt): {outcome}")
    return lines


def main(selected):
    # The native cases come last: they compare with what the others printed.
    known = quarvel_cases() + list(splash_case.CASES) + list(native_case.CASES)
    unknown = [name for name in selected if name not in known]
    if unknown:
        print(f"e2e: no such case: {', '.join(unknown)} (cases: {', '.join(known)})")
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
        for line in messages + keep_failure(name, results_dir, messages):
            print(f"      {line}", flush=True)
    total = time.monotonic() - suite_started
    print(f"\n{len(names) - len(failed)} of {len(names)} end-to-end cases passed "
          f"in {total:.0f}s" + (f"; failed: {', '.join(failed)}" if failed else ""))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
