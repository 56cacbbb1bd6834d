"""The suite's CUPS queue (run.sh): waiting until it has printed everything,
and taking the PDFs that cups-pdf made of the jobs."""
import os
import re
import shutil
import subprocess

from desktop import poll

SPOOLER_SECONDS = 60
QUEUE = os.environ["E2E_QUEUE"]


def pdf_directory():
    return os.path.join(os.environ["E2E_RUN_DIR"], "pdf")


def queue_is_empty():
    """True when the spooler holds no job that is not yet complete."""
    result = subprocess.run(["lpstat", "-o"], capture_output=True, text=True, check=False)
    return result.returncode == 0 and result.stdout.strip() == ""


def wait_until_printed():
    poll(queue_is_empty, SPOOLER_SECONDS, "the spooler to finish its jobs (lpstat -o)")


def cancel_all_jobs():
    """Cancels and forgets every job still in the queue, so that a job that
    never printed cannot hold up the next case."""
    subprocess.run(["cancel", "-a", "-x"], capture_output=True, check=False)


def job_id(file_name):
    match = re.search(r"job_(\d+)", file_name)
    return int(match.group(1)) if match else 0


def completed_jobs():
    """(job id, job name, pages) of every job the spooler has completed, from
    its page log, whose lines end "... total PAGES - HOST JOB-NAME - -"."""
    log = os.path.join(os.environ["E2E_RUN_DIR"], "cups", "log", "page_log")
    if not os.path.exists(log):
        return []
    pattern = r"^\S+ \S+ (\d+) \[[^\]]*\] total (\d+) \S+ \S+ (.*) \S+ \S+$"
    with open(log, encoding="utf-8", errors="replace") as file:
        return [(int(match.group(1)), match.group(3), int(match.group(2)))
                for match in map(lambda line: re.match(pattern, line.rstrip("\n")), file)
                if match]


def received_document(job):
    """The bytes of the first document of job `job` as the spooler received
    them, which it keeps (PreserveJobFiles, run.sh)."""
    with open(os.path.join(os.environ["E2E_SPOOL_DIR"], f"d{job:05d}-001"), "rb") as file:
        return file.read()


def take_printed_pdfs(destination):
    """Moves every PDF that the queue has made so far into `destination` as
    job-1.pdf, job-2.pdf, ... in the order of the spooler's job ids, and
    returns their paths."""
    names = sorted((name for name in os.listdir(pdf_directory()) if name.endswith(".pdf")),
                   key=job_id)
    taken = []
    for number, name in enumerate(names, start=1):
        target = os.path.join(destination, f"job-{number}.pdf")
        shutil.move(os.path.join(pdf_directory(), name), target)
        taken.append(target)
    return taken
