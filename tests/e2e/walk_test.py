"""The walk check (walk.py) against screenshots of simulated banners: right
ones, sampled densely or sparsely, must pass; wrong ones must fail.

    python3 -m unittest discover -s tests/e2e -p '*_test.py'"""
import unittest

from walk import BETWEEN_TICKS, Sighting, check_walk

RIGHT = {"period": 0.5, "dots": (1, 2, 3, 4, 5), "close_tick": 21}


def film(period, dots, close_tick, start=1.2, lag=0.05, capture=0.08, gap=0.02):
    """Screenshots of a banner whose timer starts at `start` and ticks every
    `period`, showing dots[tick % len(dots)] `lag` after each tick, and that
    closes on `close_tick`. Each capture takes `capture` seconds and reads
    the screen near its end; the next begins `gap` later. Returns the
    arguments of check_walk."""
    appeared = start + 0.3
    sightings = []
    began = appeared
    while True:
        tick = int((began + 0.8 * capture - lag - start) // period)
        if tick >= close_tick:
            return sightings, appeared, sightings[-1].started, began + capture
        sightings.append(Sighting(began, began + capture, dots[tick % len(dots)]))
        began += capture + gap


def without(filmed, dot, after, before):
    """`filmed` with no frame of `dot` begun between `after` and `before`."""
    sightings, *times = filmed
    return ([s for s in sightings if not (s.dot == dot and after < s.started < before)],
            *times)


def relabelled(filmed, dot, after, before):
    """`filmed` with every frame begun between `after` and `before` showing
    `dot` instead."""
    sightings, *times = filmed
    return ([Sighting(s.started, s.ended, dot) if after < s.started < before else s
             for s in sightings], *times)


def with_frame(filmed, sighting):
    sightings, *times = filmed
    return (sorted(sightings + [sighting], key=lambda s: s.started), *times)


class WalkCheckTest(unittest.TestCase):
    def test_right_walks_pass(self):
        cases = {
            "dense captures": film(**RIGHT),
            "captures slower than the ticks": film(**RIGHT, capture=0.45, gap=0.3),
            "a screen that lags by 0.2s": film(**RIGHT, lag=0.2),
            # The second time round, dot 5 (1.2 + 4.5 to 5.0s) falls between
            # two captures: 1, 2, 3, 4, 5, 1, 2, 3, 4, 1, ... is seen.
            "a step between two captures": without(film(**RIGHT), 5, 5.6, 6.3),
            "five dots and no ball at a tick":
                with_frame(film(**RIGHT), Sighting(3.15, 3.25, BETWEEN_TICKS)),
        }
        for name, arguments in cases.items():
            with self.subTest(name):
                self.assertEqual(check_walk(*arguments), ([], []))

    def test_wrong_walks_fail(self):
        cases = {
            "dots out of order": film(**dict(RIGHT, dots=(1, 2, 4, 3, 5))),
            "a reversed walk": film(**dict(RIGHT, dots=(1, 5, 4, 3, 2))),
            "a walk over four dots": film(**dict(RIGHT, dots=(1, 2, 3, 4))),
            "a ball that stays on dot 1": film(**dict(RIGHT, dots=(1,))),
            "a period of 0.4s": film(**dict(RIGHT, period=0.4)),
            "a period of 0.45s": film(**dict(RIGHT, period=0.45)),
            "a period of 0.55s": film(**dict(RIGHT, period=0.55)),
            "a window closed on tick 16": film(**dict(RIGHT, close_tick=16)),
            "a window closed on tick 26": film(**dict(RIGHT, close_tick=26)),
            "a ball skipped under sparse captures":
                film(**dict(RIGHT, dots=(1, 2, 3, 5, 4)), capture=0.45, gap=0.3),
            "a ball erased and not drawn again": relabelled(film(**RIGHT), BETWEEN_TICKS, 5.0, 99),
            # 1, 2, 3, 4, 5, 1, 2, 3, 4, 1, ... where the frames leave no
            # room for dot 5 between 4 and 1.
            "dot 5 skipped": relabelled(film(**RIGHT), 1, 5.6, 6.3),
        }
        for name, arguments in cases.items():
            with self.subTest(name):
                messages, _ = check_walk(*arguments)
                self.assertTrue(messages)

    def test_a_wrong_frame_is_named(self):
        messages, unexplained = check_walk(
            *with_frame(film(**RIGHT), Sighting(2.2, 2.3, 4)))
        self.assertEqual(unexplained, [Sighting(2.2, 2.3, 4)])
        self.assertIn("the frame taken between 2.20s and 2.30s shows the ball on dot 4, "
                      "where the walk has the ball on dot 3", messages[1])


if __name__ == "__main__":
    unittest.main()
