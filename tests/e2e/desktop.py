"""The virtual display as a person at the screen sees it: windows found by
their title, keys pressed in them, and screenshots. Every wait
is bounded and polls a condition."""
import subprocess
import time

POLL_SECONDS = 0.1
ANSWER_SECONDS = 5
ANSWER_ATTEMPTS = 3
CAPTURE_SECONDS = 3


class TimedOut(Exception):
    """A bounded wait ran out; the message says what was awaited."""


def poll(condition, seconds, what):
    """Returns the first true value of condition(), polled until `seconds`
    have passed; raises TimedOut naming `what` after that."""
    deadline = time.monotonic() + seconds
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() >= deadline:
            raise TimedOut(f"timed out after {seconds:g}s waiting for {what}")
        time.sleep(POLL_SECONDS)


def visible_windows(title_pattern):
    """Ids of the mapped windows whose title matches the regular expression
    `title_pattern`, in the order xdotool reports them."""
    result = subprocess.run(
        ["xdotool", "search", "--onlyvisible", "--name", title_pattern],
        capture_output=True, text=True, check=False)
    return [int(word) for word in result.stdout.split()]


def windows_of_class(class_pattern):
    """Ids of the mapped windows whose class matches `class_pattern`."""
    result = subprocess.run(
        ["xdotool", "search", "--onlyvisible", "--class", class_pattern],
        capture_output=True, text=True, check=False)
    return [int(word) for word in result.stdout.split()]


def press_key(window, key):
    """Gives `window` the keyboard focus and presses `key` (an xdotool key
    name such as Return) on the keyboard. The key goes through the X
    server's own keyboard, so that the server, and Wine with it, knows it is
    up again even when the window closes on its press."""
    subprocess.run(["xdotool", "windowfocus", str(window)], capture_output=True, check=False)
    subprocess.run(["xdotool", "key", key], capture_output=True, check=False)


def answer(window, find_window, key, what):
    """Presses `key` in `window`, again while find_window() still returns
    it (a key pressed before the window takes keys is lost), until it is
    gone."""
    for _ in range(ANSWER_ATTEMPTS):
        press_key(window, key)
        try:
            poll(lambda: find_window() != window, ANSWER_SECONDS, f"{what} to close")
            return
        except TimedOut:
            continue
    raise TimedOut(f"{what} still open after {ANSWER_ATTEMPTS} presses of {key}")


def capture_window_ppm(window):
    """The pixels of `window` as a binary PPM, or None when the capture
    fails: the window went, or import ran out of time. import may hang on a
    window that goes while it reads it, so it gets CAPTURE_SECONDS."""
    try:
        result = subprocess.run(
            ["import", "-silent", "-window", str(window), "-depth", "8", "ppm:-"],
            capture_output=True, check=False, timeout=CAPTURE_SECONDS)
    except subprocess.TimeoutExpired:
        return None
    return result.stdout if result.returncode == 0 and result.stdout else None


def save_window_list(path):
    """Writes the display's window tree, with each window's title, class,
    place and size, to `path`; like screenshots, it only documents."""
    with open(path, "wb") as file:
        subprocess.run(["xwininfo", "-root", "-tree"], stdout=file, stderr=subprocess.STDOUT,
                       check=False)


def save_screenshot(path):
    """Writes the whole screen to `path` (PNG); a failure is ignored, since
    screenshots only document what went wrong."""
    subprocess.run(["import", "-silent", "-window", "root", str(path)],
                   capture_output=True, check=False)

