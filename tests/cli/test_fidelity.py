#!/usr/bin/python3
"""bench/fidelity.py, the measure the drawn pictures are judged by, on pictures whose scores
are worked out by hand."""
import os
import subprocess
import sys
import tempfile
import unittest

import numpy as np
from PIL import Image

BENCH = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "bench")
sys.path.insert(0, BENCH)
import fidelity  # noqa: E402

GROUND = (33, 40, 48)


def picture(size, inks=(), ground=GROUND):
    """A size = (w, h) picture on `ground`, with (x, y, colour) pixels."""
    pixels = np.zeros((size[1], size[0], 3), dtype=np.uint8)
    pixels[:] = ground
    for x, y, colour in inks:
        pixels[y, x] = colour
    return Image.fromarray(pixels)


class Fidelity(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()

    def tearDown(self):
        self.dir.cleanup()

    def save(self, name, image):
        path = os.path.join(self.dir.name, name)
        image.save(path)
        return path

    def scores(self, ours, reference):
        r = fidelity.measure(self.save("ours.png", ours), self.save("ref.bmp", reference))
        return round(r["f"], 4), round(r["precision"], 4), round(r["recall"], 4)

    def test_scores_worked_out_by_hand(self):
        white, near = (255, 255, 255), (33 + 48, 40, 48)
        one = picture((100, 100), [(50, 50, white)])  # t = 2
        framed = np.asarray(picture((100, 100))).copy()
        framed[1:99, 1:99] = white
        framed, near_one = Image.fromarray(framed), 25 / (98 * 98)
        rows = [
            ("the same ink", one, one, (1, 1, 1)),
            ("two pixels off, inside the square", picture((100, 100), [(52, 48, white)]), one,
             (1, 1, 1)),
            ("three pixels off", picture((100, 100), [(53, 50, white)]), one, (0, 0, 0)),
            ("48 from the ground is no ink", picture((100, 100), [(50, 50, near)]), one,
             (0, 0, 0)),
            ("half the reference found",
             one, picture((100, 100), [(50, 50, white), (10, 90, white)]), (0.6667, 1, 0.5)),
            # 125 x 0.02 = 2.5 rounds up to 3, not to the even 2
            ("halves round up", picture((125, 40), [(53, 20, white)]),
             picture((125, 40), [(50, 20, white)]), (1, 1, 1)),
            # The ground is the border's commonest colour though white fills most of ours:
            # all that white is ink, and only the 5 x 5 square around the reference's pixel
            # is near it.
            ("ground from the border", framed, one, (round(2 * near_one / (near_one + 1), 4),
                                                     round(near_one, 4), 1)),
        ]
        for name, ours, reference, expected in rows:
            with self.subTest(name):
                self.assertEqual(self.scores(ours, reference), expected)
        # A box's corners are all that lies near two opposite corner pixels of a 21 x 21 box.
        corners = picture((100, 100), [(10, 10, white), (30, 30, white)])
        r = fidelity.measure(self.save("a.png", corners), self.save("b.png", corners))
        precision = 18 / 441
        self.assertAlmostEqual(r["floor"], 2 * precision / (precision + 1))

    def test_pairs_of_two_sizes_are_refused(self):
        with self.assertRaises(ValueError):
            fidelity.measure(self.save("a.png", picture((10, 10))),
                             self.save("b.png", picture((10, 11))))

    def test_compare_prints_a_line_a_pair_and_the_median_and_keeps_the_pictures(self):
        one = self.save("one.png", picture((100, 100), [(50, 50, (255, 0, 0))]))
        none = self.save("none.png", picture((100, 100)))
        artifacts = os.path.join(self.dir.name, "art")
        r = subprocess.run([sys.executable, os.path.join(BENCH, "fidelity.py"), "compare", one,
                            one, none, one, "--artifacts", artifacts],
                           capture_output=True, text=True)
        self.assertEqual(r.returncode, 0, r.stderr)
        lines = r.stdout.splitlines()
        self.assertEqual(lines[1].split()[:2], ["one", "1.000"])
        self.assertEqual(lines[2].split()[:2], ["none", "0.000"])
        self.assertEqual(lines[3].split()[:2], ["median", "0.500"])
        self.assertEqual(Image.open(os.path.join(artifacts, "one.png")).size, (3 * 100 + 8, 100))


if __name__ == "__main__":
    unittest.main()
