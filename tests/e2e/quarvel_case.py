"""One case of quarvel.exe: a document script run in a scratch directory, the
print dialog answered, the jobs taken from the spooler, and everything the
run left checked against the case's expected figures (cases/<name>/
expect.json, described in tests/e2e/README.md)."""
import json
import os
import shutil

import desktop
import spooler
from desktop import TimedOut, poll
from page_checks import check_page
from pdf_reading import document_info
from wine import WindowsProgram

HERE = os.path.dirname(os.path.abspath(__file__))
IMAGES_DIR = os.path.join(HERE, "images")
DIALOG_SECONDS = 60
EXIT_SECONDS = 60
NO_DIALOG_EXIT_SECONDS = 20
DIALOG_KEYS = {"ok": "Return", "cancel": "Escape"}


def load_expectations(case_dir):
    with open(os.path.join(case_dir, "expect.json"), encoding="utf-8") as file:
        expected = json.load(file)
    expected.setdefault("arguments", ["script.txt"])
    expected.setdefault("dialog", "ok")
    expected.setdefault("images", [])
    expected.setdefault("stdout", "")
    expected.setdefault("jobs", [])
    expected.setdefault("files", [])
    return expected


def prepare_working_dir(case_dir, expected, working_dir):
    """Copies the script and the images that the case names into a fresh
    `working_dir`; returns the names of these inputs."""
    shutil.rmtree(working_dir, ignore_errors=True)
    os.makedirs(working_dir)
    inputs = []
    script = os.path.join(case_dir, "script.txt")
    if os.path.exists(script):
        shutil.copy(script, working_dir)
        inputs.append("script.txt")
    for image in expected["images"]:
        shutil.copy(os.path.join(IMAGES_DIR, image), working_dir)
        inputs.append(image)
    return inputs


def print_dialog():
    windows = desktop.visible_windows("^Print$")
    return windows[0] if windows else None


def answer_print_dialog(program, key):
    """Waits for the print dialog and answers it with `key`."""
    dialog = poll(lambda: program.finished() or print_dialog(), DIALOG_SECONDS,
                  "the print dialog (a window titled \"Print\")")
    if dialog is True:
        raise TimedOut(f"the program ended (exit code {program.exit_code()}) "
                       "without showing the print dialog")
    desktop.answer(dialog, print_dialog, key, "the print dialog")


def wait_without_dialog(program):
    """Waits for a program that must show no dialog to end."""
    def ended_or_dialog():
        if print_dialog() is not None:
            raise TimedOut("a print dialog appeared, where none was expected")
        return program.finished()

    poll(ended_or_dialog, NO_DIALOG_EXIT_SECONDS, "the program to end without a dialog")


def run_program(expected, working_dir, results_dir):
    program = WindowsProgram("quarvel.exe", expected["arguments"], working_dir, results_dir)
    try:
        if expected["dialog"] == "none":
            wait_without_dialog(program)
        else:
            answer_print_dialog(program, DIALOG_KEYS[expected["dialog"]])
            poll(program.finished, EXIT_SECONDS, "quarvel.exe to end after the dialog")
    finally:
        program.stop()
    return program


def collect_written_files(working_dir, inputs, results_dir):
    """Copies the files that the run wrote in `working_dir` to
    results_dir/files/ and returns their names."""
    written = sorted(set(os.listdir(working_dir)) - set(inputs))
    files_dir = os.path.join(results_dir, "files")
    os.makedirs(files_dir, exist_ok=True)
    for name in written:
        shutil.copy(os.path.join(working_dir, name), files_dir)
    return written


def check_written_files(case_dir, expected, results_dir, written):
    if written != sorted(expected["files"]):
        return [f"files written in the working directory: expected {sorted(expected['files'])},"
                f" found {written}"]
    messages = []
    for name in written:
        with open(os.path.join(case_dir, "expected", name), "rb") as file:
            want = file.read()
        with open(os.path.join(results_dir, "files", name), "rb") as file:
            got = file.read()
        if want != got:
            messages.append(f"{name}: expected the bytes {want!r}, found {got!r}")
    return messages


def check_job(pdf, job_number, job):
    info = document_info(pdf)
    label = f"job {job_number} ({os.path.basename(pdf)})"
    messages = []
    if info.get("Title") != "MyDoc":
        messages.append(f"{label}: expected the title 'MyDoc', found {info.get('Title')!r}")
    pages = job["pages"]
    if info.get("Pages") != str(len(pages)):
        return messages + [f"{label}: expected {len(pages)} pages, found {info.get('Pages')}"]
    for number, figures in enumerate(pages, start=1):
        messages += [f"{label}, page {number}: {message}"
                     for message in check_page(pdf, number, figures)]
    return messages


def check_jobs(expected, pdfs):
    jobs = expected["jobs"]
    if len(pdfs) != len(jobs):
        return [f"expected {len(jobs)} print jobs, the spooler made {len(pdfs)}"]
    messages = []
    for number, (pdf, job) in enumerate(zip(pdfs, jobs), start=1):
        messages += check_job(pdf, number, job)
    return messages


def run_case(case_dir, working_dir, results_dir):
    """Runs the case and returns the list of what did not hold (empty when
    the case passed). Everything the run left is in `results_dir`."""
    expected = load_expectations(case_dir)
    inputs = prepare_working_dir(case_dir, expected, working_dir)
    try:
        program = run_program(expected, working_dir, results_dir)
    except TimedOut as timeout:
        program, timed_out = None, [str(timeout)]
    # What was printed belongs to this case, even after a failed wait.
    spooler.wait_until_printed()
    pdfs = spooler.take_printed_pdfs(results_dir)
    if program is None:
        return timed_out
    written = collect_written_files(working_dir, inputs, results_dir)
    with open(os.path.join(results_dir, "exit-code.txt"), "w") as file:
        file.write(f"{program.exit_code()}\n")
    messages = []
    if program.exit_code() != 0:
        messages.append(f"expected exit code 0, found {program.exit_code()}")
    stdout = program.standard_output()
    if stdout != expected["stdout"].encode():
        messages.append(f"standard output: expected {expected['stdout']!r}, found {stdout!r}")
    return (messages + check_written_files(case_dir, expected, results_dir, written) +
            check_jobs(expected, pdfs))
