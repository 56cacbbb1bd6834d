"""The native quarvel (the Linux build, printing with its own PDF printer)
held against Wine's printing of the same scripts, and against itself
printing through the suite's CUPS queue.

Two independent implementations of the page geometry keep each other
honest: for every case whose script Wine printed, the native PDF at 300 dpi
must have the same jobs and pages, every word's ink within 2 points of
Wine's, and every rule segment dark within 2 pixels on both. Wine drops the
landscape request of the print dialog, so landscape scripts are compared in
portrait."""
import glob
import os
import shutil
import subprocess

import spooler
from pdf_reading import PIXELS_PER_POINT, Raster, document_info, page_words
from page_checks import has_dark_pixel_near, ink_bounds, segment_points
from quarvel_case import IMAGES_DIR, load_expectations

HERE = os.path.dirname(os.path.abspath(__file__))
CASES_DIR = os.path.join(HERE, "cases")
EXAMPLES_DIR = os.path.join(HERE, "..", "..", "examples")
RESULTS_DIR = os.path.join(os.environ["E2E_DIR"], "results")
RUN_DIR = os.environ["E2E_RUN_DIR"]
NATIVE_SECONDS = 60
TEXT_TOLERANCE = 2 * PIXELS_PER_POINT
RULE_TOLERANCE = 2
RULE_STEP = 8
WORD_MARGIN = 3


def native_program():
    return os.environ.get("E2E_NATIVE_BIN",
                          os.path.join(HERE, "..", "..", "build", "native", "bin", "quarvel"))


def run_native(working_dir, **settings):
    """Runs the native quarvel on script.txt in `working_dir` with the
    environment variables `settings`; returns the completed process."""
    # One date for every file made, so that two runs make the same bytes.
    environment = dict(os.environ, QUARVEL_DPI="300", SOURCE_DATE_EPOCH="1796704800", **settings)
    return subprocess.run([native_program(), "script.txt"], cwd=working_dir, env=environment,
                          capture_output=True, timeout=NATIVE_SECONDS, check=False)


def copy_inputs(script, images, working_dir, portrait=False):
    shutil.rmtree(working_dir, ignore_errors=True)
    os.makedirs(working_dir)
    with open(script, "rb") as file:
        lines = file.read().split(b"\n")
    if portrait and lines[0].rstrip(b"\r") == b"pageOrientation" and len(lines) > 1:
        lines[1] = b"portrait\r" if lines[1].endswith(b"\r") else b"portrait"
    with open(os.path.join(working_dir, "script.txt"), "wb") as file:
        file.write(b"\n".join(lines))
    for image in images:
        shutil.copy(image, working_dir)


def native_pdfs(working_dir):
    """The jobs of a native run to files: MyDoc.pdf, MyDoc-2.pdf, ..."""
    numbered = sorted(glob.glob(os.path.join(working_dir, "MyDoc-*.pdf")),
                      key=lambda path: int(path.rsplit("-", 1)[1][:-4]))
    first = os.path.join(working_dir, "MyDoc.pdf")
    return ([first] if os.path.exists(first) else []) + numbered


def segments_by_page(operation_log):
    """The segments of the operation log, grouped by the pages that a
    spooler would print: [[segments of page 1 of job 1], ...], page by page
    over all jobs. Pages outside a document and documents never ended print
    nothing, and ending a document ends its open page."""
    pages, job, page = [], None, None
    for line in operation_log.splitlines():
        words = line.split()
        if words[0] == "startdoc" and job is None:
            job = []
        elif words[0] == "startpage" and job is not None and page is None:
            page = []
        elif words[0] == "line" and page is not None:
            page.append([int(word) for word in words[1:]])
        elif words[0] in ("endpage", "enddoc") and page is not None:
            job.append(page)
            page = None
        if words[0] == "enddoc" and job is not None:
            pages += job
            job = None
    return pages


def word_region(word, other):
    """The box that holds both renderings of a word, so that both rasters are
    read in the same place, neighbours and all."""
    return (int(min(word.left, other.left)) - WORD_MARGIN,
            int(min(word.top, other.top)) - WORD_MARGIN,
            int(max(word.right, other.right)) + WORD_MARGIN,
            int(max(word.bottom, other.bottom)) + WORD_MARGIN)


def compare_words(label, pdf, raster, other_pdf, other_raster, page):
    words, others = page_words(pdf, page), page_words(other_pdf, page)
    if [word.text for word in words] != [word.text for word in others]:
        return [f"{label}: words {[w.text for w in words]}, "
                f"against {[w.text for w in others]}"]
    messages = []
    for word, other in zip(words, others):
        region = word_region(word, other)
        ink, other_ink = ink_bounds(raster, *region), ink_bounds(other_raster, *region)
        if ink is None or other_ink is None:
            continue
        if any(abs(a - b) > TEXT_TOLERANCE for a, b in zip(ink, other_ink)):
            messages.append(f"{label}: the ink of {word.text!r} spans {ink}, "
                            f"against {other_ink} (device pixels)")
    return messages


def compare_rules(label, rasters, segments):
    messages = []
    for segment in segments:
        for name, raster in rasters:
            points = [p for p in segment_points(segment, RULE_STEP) if raster.contains(*p)]
            missing = [p for p in points if not has_dark_pixel_near(raster, *p, RULE_TOLERANCE)]
            if missing:
                messages.append(f"{label}: segment {tuple(segment)} is not dark in the {name} "
                                f"page at {len(missing)} of {len(points)} points, first {missing[0]}")
    return messages


def compare_pdfs(label, pdf, other, other_name, segments):
    """Compares the native `pdf` with `other`, page by page: their words and
    the segments of each page in `segments`. Returns what does not agree."""
    pages, other_pages = document_info(pdf).get("Pages"), document_info(other).get("Pages")
    if pages != other_pages:
        return [f"{label}: {pages} pages, the {other_name} job {other_pages}"]
    messages = []
    for page in range(1, int(pages) + 1):
        raster, other_raster = Raster(pdf, page), Raster(other, page)
        page_label = f"{label}, page {page}"
        messages += compare_words(page_label, pdf, raster, other, other_raster, page)
        messages += compare_rules(page_label, [("native", raster), (other_name, other_raster)],
                                  segments.pop(0) if segments else [])
    return messages


def compared_cases():
    """The cases that Wine printed from a script after an answered dialog."""
    names = []
    for name in sorted(os.listdir(CASES_DIR)):
        case_dir = os.path.join(CASES_DIR, name)
        if not os.path.exists(os.path.join(case_dir, "script.txt")):
            continue
        expected = load_expectations(case_dir)
        if expected["dialog"] == "ok" and expected["arguments"] == ["script.txt"]:
            names.append(name)
    return names


def differential_case(name, working_dir):
    case_dir = os.path.join(CASES_DIR, name)
    images = [os.path.join(IMAGES_DIR, image) for image in load_expectations(case_dir)["images"]]
    copy_inputs(os.path.join(case_dir, "script.txt"), images, working_dir, portrait=True)
    log = run_native(working_dir, QUARVEL_PRINTER="log")
    printed = run_native(working_dir, QUARVEL_PRINTER="pdf")
    # A document that the script never ends prints nothing in either; the
    # native program says so and fails.
    never_ended = (printed.returncode == 1 and
                   b"is never ended; nothing was printed" in printed.stderr)
    if log.returncode != 0 or (printed.returncode != 0 and not never_ended):
        return [f"{name}: the native quarvel ended with {printed.returncode}: {printed.stderr!r}"]
    ours = native_pdfs(working_dir)
    wine = sorted(glob.glob(os.path.join(RESULTS_DIR, name, "job-*.pdf")))
    if len(ours) != len(wine):
        return [f"{name}: {len(ours)} native jobs, {len(wine)} printed under Wine"]
    segments = segments_by_page(log.stdout.decode())
    messages = []
    for number, (pdf, other) in enumerate(zip(ours, wine), start=1):
        messages += compare_pdfs(f"{name}, job {number}", pdf, other, "Wine", segments)
    return messages


def native_against_wine(results_dir):
    """Every compared case's native PDFs against Wine's."""
    messages = []
    for name in compared_cases():
        if not os.path.isdir(os.path.join(RESULTS_DIR, name)):
            messages.append(f"{name}: Wine's results are missing (run that case first)")
            continue
        messages += differential_case(name, os.path.join(results_dir, name))
    return messages


def native_through_cups(results_dir):
    """The example invoice printed to the suite's CUPS queue through libcups
    against the same invoice printed to a file; and a queue that does not
    exist, which prints nothing and fails the run."""
    working_dir = os.path.join(results_dir, "invoice")
    copy_inputs(os.path.join(EXAMPLES_DIR, "invoice.txt"),
                [os.path.join(EXAMPLES_DIR, "logo.png")], working_dir)
    to_file = run_native(working_dir, QUARVEL_PRINTER="pdf")
    os.rename(os.path.join(working_dir, "MyDoc.pdf"), os.path.join(results_dir, "file.pdf"))
    to_queue = run_native(working_dir, QUARVEL_PRINTER=spooler.QUEUE)
    missing = run_native(working_dir, QUARVEL_PRINTER="NoSuchQueue")
    spooler.wait_until_printed()
    queued = spooler.take_printed_pdfs(results_dir)
    messages = [f"{what}: exit code {run.returncode}, expected {expected}"
                for what, run, expected in (("to a file", to_file, 0), ("to the queue", to_queue, 0),
                                            ("to a missing queue", missing, 1))
                if run.returncode != expected]
    if b"NoSuchQueue" not in missing.stderr:
        messages.append(f"a missing queue: expected a message naming it, found {missing.stderr!r}")
    if native_pdfs(working_dir):
        messages.append("a missing queue: a PDF file was written")
    if len(queued) != 1:
        return messages + [f"expected one job from the queue, the spooler made {len(queued)}"]
    job, name, pages = spooler.completed_jobs()[-1]
    if (name, pages) != ("MyDoc", 2):
        messages.append(f"the queued job is {name!r} of {pages} pages, expected 'MyDoc' of 2")
    # What reaches the spooler is the file's PDF, byte for byte. (What the
    # spooler's filters make of it again is theirs: they turn it into
    # PostScript and back, and ghostscript's versions place its glyphs a few
    # pixels apart.)
    with open(os.path.join(results_dir, "file.pdf"), "rb") as file:
        if spooler.received_document(job) != file.read():
            messages.append("the spooler received other bytes than the file's PDF")
    printed_pages = document_info(queued[0]).get("Pages")
    if printed_pages != "2":
        messages.append(f"the queue printed {printed_pages} pages, not 2")
    return messages


CASES = {"native_against_wine": native_against_wine, "native_through_cups": native_through_cups}
