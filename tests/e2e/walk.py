"""The ball's walk on splash's banner, held against what the screenshots saw.

splash.exe sets a timer of half a second when it creates its window (at
`start`); tick k (1 to 20) moves the ball to dot k % 5 + 1, so the ball
stands on dot 1 from the start to the first tick, and tick 21 destroys the
window. A tick erases the ball and draws it again, so for a moment the
banner shows its five dots and no ball.

A screenshot is taken over an interval of time, and shows the banner as the
program drew it at one instant of that interval or up to SCREEN_LAG before.
The screenshots are a sample: a dot that the ball stood on only between two
of them goes unseen, which is no fault. A fault is a frame that no single
start of the timer explains together with every other frame and with the
times at which the window appeared and went: a dot out of order, a walk
that runs backwards, a period other than half a second, a ball that stops,
a window that closes too soon or too late.

Times are seconds since the program was started."""
from dataclasses import dataclass

TICK_SECONDS = 0.5
TICKS_TO_CLOSE = 21
DOTS = 5
# How long after the program's tick the screen may still show the state
# before it: the timer message waits for the program's turn and the drawing
# for the X server's.
SCREEN_LAG = 0.25
# The dot of a frame that shows the five dots and no ball.
BETWEEN_TICKS = 0
# The starts of the timer that are tried, this far apart.
START_STEP = 0.005
MESSAGES_PER_FAULT = 3


@dataclass
class Sighting:
    """What one screenshot saw: the ball on `dot` (1 to 5, or BETWEEN_TICKS)
    at some instant between `started` and `ended`."""
    started: float
    ended: float
    dot: int


def dot_of_tick(tick):
    """The dot that the ball stands on after `tick` ticks."""
    return tick % DOTS + 1


def ticks_during(sighting, start):
    """The ticks (0 for the time before the first) whose time on the screen
    overlaps what `sighting` may show, for a timer started at `start`."""
    earliest, latest = sighting.started - SCREEN_LAG, sighting.ended
    return [tick for tick in range(TICKS_TO_CLOSE)
            if start + tick * TICK_SECONDS <= latest
            and start + (tick + 1) * TICK_SECONDS > earliest]


def ticks_at(sighting, start):
    """The ticks 1 to 20 that fall within what `sighting` may show."""
    earliest, latest = sighting.started - SCREEN_LAG, sighting.ended
    return [tick for tick in range(1, TICKS_TO_CLOSE)
            if earliest <= start + tick * TICK_SECONDS <= latest]


def explains(sighting, start):
    """True when a timer started at `start` explains what `sighting` saw."""
    if sighting.dot == BETWEEN_TICKS:
        return bool(ticks_at(sighting, start))
    return any(dot_of_tick(tick) == sighting.dot for tick in ticks_during(sighting, start))


def possible_starts(appeared, last_seen, gone):
    """The starts of the timer, START_STEP apart, that fit the window's life:
    the timer starts after the program and before the window appeared; tick
    21 destroys the window after the last capture that saw it began (less
    the screen's lag), and before the first capture that missed it ended."""
    close = TICKS_TO_CLOSE * TICK_SECONDS
    earliest = max(0.0, last_seen - close - SCREEN_LAG)
    latest = min(appeared, gone - close)
    count = int((latest - earliest) / START_STEP) + 1 if latest >= earliest else 0
    return [earliest + step * START_STEP for step in range(count)]


def describe(sighting, start):
    """What `sighting` saw against what the walk from `start` has then."""
    seen = ("five dots and no ball" if sighting.dot == BETWEEN_TICKS
            else f"the ball on dot {sighting.dot}")
    ticks = ticks_during(sighting, start)
    walk = (f"the ball on dot {' or '.join(str(dot_of_tick(tick)) for tick in ticks)}"
            if ticks else "no window")
    if sighting.dot == BETWEEN_TICKS:
        walk += " and no tick"
    return (f"the frame taken between {sighting.started:.2f}s and {sighting.ended:.2f}s "
            f"shows {seen}, where the walk has {walk}")


def check_walk(sightings, appeared, last_seen, gone):
    """Returns (messages, the sightings that no start explains) for the
    frames `sightings` of a window that appeared at `appeared`, was last
    seen by the capture begun at `last_seen` and was found gone by the
    capture ended at `gone`; both are empty when the walk holds."""
    starts = possible_starts(appeared, last_seen, gone)
    if not starts:
        return [f"the window appeared at {appeared:.2f}s and went between {last_seen:.2f}s "
                f"and {gone:.2f}s: a timer of {TICK_SECONDS}s set before it appeared closes "
                f"it on tick {TICKS_TO_CLOSE}, {TICKS_TO_CLOSE * TICK_SECONDS}s later"], []
    unexplained, start = min(
        (([sighting for sighting in sightings if not explains(sighting, start)], start)
         for start in starts), key=lambda pair: len(pair[0]))
    if not unexplained:
        return [], []
    messages = [f"{len(unexplained)} of {len(sightings)} frames do not fit the walk; "
                f"the timer start that fits the most, {start:.2f}s:"]
    messages += [describe(sighting, start) for sighting in unexplained[:MESSAGES_PER_FAULT]]
    return messages, unexplained
