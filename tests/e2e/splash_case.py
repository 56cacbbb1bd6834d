"""The cases of splash.exe, checked from what the screen shows.

The banner window is captured as fast as ImageMagick's import allows (about
ten frames a second, fewer on a busy machine). In each frame the grey dots
and the bright centre of the ball are found; the ball must stand on one of
the five dot places (the four other dots visible), and the banner bitmap
must be what the window shows around it. The frames must fit the ball's
walk (walk.py): dot 1, 2, 3, 4, 5, 1, ... with one step per timer tick of
half a second, and the window gone with the 21st tick. A step that falls
between two captures goes unseen and is no fault."""
import os
import re
import subprocess
import time
from dataclasses import dataclass

import desktop
import walk
from desktop import TimedOut, poll
from pixels import Pixels
from wine import WindowsProgram

HERE = os.path.dirname(os.path.abspath(__file__))
MASK_BMP = os.path.join(HERE, "..", "..", "splash", "mask.bmp")

APPEAR_SECONDS = 30
RUN_SECONDS = 20
BOX_SECONDS = 30
EXIT_SECONDS = 10

# The banner's layout: dot centres, the ball's top and size, the steps.
DOT_XS = (232, 253, 274, 295, 316)
DOT_Y = 27
DOT_STEP = 21
BALL_TOP = 19
BALL_SIZE = 17
# What a frame taken while a tick redraws the banner shows.
FIVE_DOTS = "no ball; 5 dots"
BANNER_SAMPLE_STEP = 3
BANNER_MATCH_SHARE = 0.99
COLOUR_TOLERANCE = 24


@dataclass
class Frame:
    started: float          # seconds since the program started, when the
    ended: float            # capture began and when it had the pixels
    ppm: bytes
    dot: int | None = None  # 1 to 5 for a frame that shows the ball on a dot,
                            # walk.BETWEEN_TICKS for one that shows FIVE_DOTS
    problem: str = ""       # what is wrong with a frame that shows neither


def is_dot_grey(rgb):
    return all(abs(channel - 200) <= 12 for channel in rgb)


def is_ball_centre(rgb):
    red, green, blue = rgb
    return red >= 200 and green <= 90 and blue <= 90


def components(image, predicate):
    """The 4-connected groups of pixels for which `predicate(rgb)` holds,
    each as a list of (x, y)."""
    marked = {(x, y) for y in range(image.height) for x in range(image.width)
              if predicate(image.rgb(x, y))}
    groups = []
    while marked:
        stack = [marked.pop()]
        group = []
        while stack:
            x, y = stack.pop()
            group.append((x, y))
            for neighbour in ((x + 1, y), (x - 1, y), (x, y + 1), (x, y - 1)):
                if neighbour in marked:
                    marked.remove(neighbour)
                    stack.append(neighbour)
        groups.append(group)
    return groups


def centre(group):
    return (sum(x for x, _ in group) / len(group), sum(y for _, y in group) / len(group))


def spans(group):
    xs, ys = [x for x, _ in group], [y for _, y in group]
    return max(xs) - min(xs) + 1, max(ys) - min(ys) + 1


def find_dots(image):
    """Centres of the grey blobs of a dot's size (7 pixels across)."""
    return [centre(group) for group in components(image, is_dot_grey)
            if all(5 <= span <= 9 for span in spans(group))]


def find_ball(image):
    """Centre of the ball's bright core, or None."""
    groups = components(image, is_ball_centre)
    return centre(max(groups, key=len)) if groups else None


def banner_mismatch(image, mask, origin, slot):
    """The share of sampled banner pixels (outside the ball) that the window
    does not show as the banner bitmap has them, with the banner's top-left
    corner at `origin` in the frame."""
    ball_left = DOT_XS[slot - 1] - BALL_SIZE // 2
    samples = misses = 0
    for y in range(0, mask.height, BANNER_SAMPLE_STEP):
        for x in range(0, mask.width, BANNER_SAMPLE_STEP):
            if ball_left <= x < ball_left + BALL_SIZE and BALL_TOP <= y < BALL_TOP + BALL_SIZE:
                continue
            frame_x, frame_y = origin[0] + x, origin[1] + y
            samples += 1
            if not image.contains(frame_x, frame_y) or any(
                    abs(a - b) > COLOUR_TOLERANCE
                    for a, b in zip(image.rgb(frame_x, frame_y), mask.rgb(x, y))):
                misses += 1
    return misses / samples


def locate_ball(image):
    """Finds the ball and the dots anywhere in the frame. Returns the ball's
    place (1 to 5) and the banner's top-left corner in the frame, or a
    description of what the frame shows instead."""
    dots, ball = find_dots(image), find_ball(image)
    if ball is None:
        return f"no ball; {len(dots)} dots"
    places = sorted([ball] + dots)
    gaps = [b[0] - a[0] for a, b in zip(places, places[1:])]
    if len(dots) != 4 or any(abs(gap - DOT_STEP) > 1 for gap in gaps) or any(
            abs(y - ball[1]) > 1 for _, y in dots):
        return (f"ball at ({ball[0]:.1f}, {ball[1]:.1f}) and dots at "
                f"{[(round(x, 1), round(y, 1)) for x, y in dots]}: not one ball on "
                f"one of five dots {DOT_STEP} pixels apart")
    return places.index(ball) + 1, (round(places[0][0] - DOT_XS[0]), round(ball[1] - DOT_Y))


def ball_place_at(image, origin):
    """The place (1 to 5) of the ball on the banner whose top-left corner is
    at `origin`, when the ball's centre stands on exactly one dot place and
    grey dots on the others; otherwise None."""
    centres = [image.rgb(origin[0] + x, origin[1] + DOT_Y)
               if image.contains(origin[0] + x, origin[1] + DOT_Y) else (0, 0, 0)
               for x in DOT_XS]
    balls = [place for place, rgb in enumerate(centres, start=1) if is_ball_centre(rgb)]
    dots = [rgb for rgb in centres if is_dot_grey(rgb)]
    return balls[0] if len(balls) == 1 and len(dots) == 4 else None


def classify_frames(frames, mask):
    """Sets each frame's ball place, or its problem when it shows no ball
    on a dot of an intact banner. The banner is located in the first frame
    that shows the ball, and the window does not move afterwards."""
    origin = None
    for frame in frames:
        image = Pixels.from_ppm(frame.ppm)
        slot = ball_place_at(image, origin) if origin else None
        if slot is None:
            located = locate_ball(image)
            if isinstance(located, str):
                frame.problem = located
                continue
            slot, origin = located
        mismatch = banner_mismatch(image, mask, origin, slot)
        if mismatch > 1 - BANNER_MATCH_SHARE:
            frame.problem = (f"the window differs from the banner bitmap (top-left at "
                             f"{origin}) at {mismatch:.1%} of the sampled pixels")
            continue
        frame.dot = slot


def banner_window():
    windows = desktop.windows_of_class(r"^splash\.exe$")
    return windows[0] if windows else None


def capture_until_gone(window, started):
    """Captures `window` until it is gone; returns the frames and the time
    (since `started`) by which it was seen gone. A capture that fails while
    the window is still there (one that ran out of time on a busy machine)
    is passed over."""
    frames = []
    deadline = time.monotonic() + RUN_SECONDS
    while time.monotonic() < deadline:
        before = time.monotonic() - started
        ppm = desktop.capture_window_ppm(window)
        after = time.monotonic() - started
        if ppm is not None:
            frames.append(Frame(before, after, ppm))
        elif banner_window() != window:
            return frames, time.monotonic() - started
    raise TimedOut(f"the banner window still open {RUN_SECONDS}s after it appeared")


def save_frame(frame, path):
    subprocess.run(["convert", "ppm:-", path], input=frame.ppm, capture_output=True,
                   check=False)


def keep_frames(frames, results_dir, stem):
    """Saves `frames` as STEM-1.png, STEM-2.png, ... in `results_dir`;
    returns their paths."""
    paths = [os.path.join(results_dir, f"{stem}-{number}.png")
             for number in range(1, len(frames) + 1)]
    for frame, path in zip(frames, paths):
        save_frame(frame, path)
    return paths


def check_frames(frames, results_dir):
    """Returns the frames from the first that shows the ball on a dot on
    that show the ball on a dot or, taken during a tick, the five dots alone;
    and messages about those that show anything else (keeping up to three
    of them as bad-frame-N.png)."""
    if not any(frame.dot for frame in frames):
        return [], ["no frame shows the ball on a dot of the banner"]
    first = next(frame for frame in frames if frame.dot)
    watched = [frame for frame in frames if frame.started >= first.started]
    for frame in watched:
        if frame.problem == FIVE_DOTS:
            frame.dot = walk.BETWEEN_TICKS
    faults = [frame for frame in watched if frame.dot is None]
    paths = keep_frames(faults[:3], results_dir, "bad-frame")
    messages = [f"frame at {frame.started:.2f}s: {frame.problem} (see {path})"
                for frame, path in zip(faults, paths)]
    return [frame for frame in watched if frame.dot is not None], messages


def save_step_frames(shown, results_dir):
    """Keeps the first frame of every place of the ball as step-NN.png."""
    on_dots = [frame for frame in shown if frame.dot]
    for number, frame in enumerate(on_dots[:1] + [after for before, after
                                                  in zip(on_dots, on_dots[1:])
                                                  if after.dot != before.dot]):
        save_frame(frame, os.path.join(results_dir, f"step-{number:02d}.png"))


def write_frame_list(frames, path):
    """Writes one line per frame: when its capture began and ended, and the
    dot it shows (0 for the five dots alone) or what is wrong with it."""
    with open(path, "w") as file:
        for frame in frames:
            seen = frame.dot if frame.dot is not None else frame.problem
            file.write(f"{frame.started:.3f} {frame.ended:.3f} {seen}\n")


def run_banner(results_dir):
    mask = Pixels.from_bmp(MASK_BMP)
    started = time.monotonic()
    program = WindowsProgram("splash.exe", [], None, results_dir)
    try:
        window = poll(banner_window, APPEAR_SECONDS, "the banner window (class splash.exe)")
        appeared = time.monotonic() - started
        frames, gone = capture_until_gone(window, started)
        poll(program.finished, EXIT_SECONDS, "splash.exe to end after its window closed")
    finally:
        program.stop()
    classify_frames(frames, mask)
    shown, messages = check_frames(frames, results_dir)
    write_frame_list(frames, os.path.join(results_dir, "frames.txt"))
    if not shown:
        return messages
    save_step_frames(shown, results_dir)
    walk_messages, unexplained = walk.check_walk(shown, appeared, frames[-1].started, gone)
    keep_frames(unexplained[:walk.MESSAGES_PER_FAULT], results_dir, "unexplained")
    messages += walk_messages
    if program.exit_code() != 0:
        messages.append(f"expected exit code 0, found {program.exit_code()}")
    return messages


def message_box(title_pattern):
    windows = desktop.visible_windows(title_pattern)
    return windows[0] if windows else None


def message_box_texts(program):
    """The texts of the message boxes that the program showed, in order, as
    Wine's msgbox trace channel reports them."""
    return re.findall(r'trace:msgbox:MSGBOX_OnInit L"(.*)"', program.wine_messages())


def dismiss_box(box, title_pattern):
    desktop.answer(box, lambda: message_box(title_pattern), "Return",
                   f"the message box titled {title_pattern}")


def run_without_bitmaps(results_dir):
    """The build without its bitmap resources shows the failure box "Error"
    and, once it is dismissed, the creation failure box "Error!", which Wine
    keeps open until it is answered; the program then ends with exit code
    0."""
    program = WindowsProgram("splash_without_bitmaps.exe", [], None, results_dir,
                             wine_debug="+msgbox")
    try:
        box = poll(lambda: message_box("^Error$"), BOX_SECONDS, 'a message box titled "Error"')
        desktop.save_screenshot(os.path.join(results_dir, "box.png"))
        others = [window for window in
                  desktop.windows_of_class(r"^splash_without_bitmaps\.exe$") if window != box]
        dismiss_box(box, "^Error$")
        second = poll(lambda: program.finished() or message_box("^Error!$"), EXIT_SECONDS,
                      "the program to end after the box was dismissed")
        if second is not True:
            dismiss_box(second, "^Error!$")
        poll(program.finished, EXIT_SECONDS, "the program to end after its boxes")
    finally:
        program.stop()
    messages = []
    texts = message_box_texts(program)
    if texts != ["Load of resources failed.", "Window Creation Failed!"]:
        messages.append("expected the boxes 'Load of resources failed.' and then "
                        f"'Window Creation Failed!', the boxes said {texts}")
    if others:
        messages.append(f"windows besides the box were shown: {others}")
    if program.exit_code() != 0:
        messages.append(f"expected exit code 0, found {program.exit_code()}")
    return messages


CASES = {"splash_banner": run_banner, "splash_without_bitmaps": run_without_bitmaps}
