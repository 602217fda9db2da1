"""The main window as drawings of chosen shapes meet it: the empty window at start, the
sizing rule (1.4 times, release 1012 at stored width, the minimum size), the release labels,
the thumbnail's pixels with black and white exchanged, a large thumbnail's thin lines kept
whole as it is shrunk, Restore window size, and the error boxes of files that can't be shown,
after which everything is as it was."""
import unittest

from harness import Rect, config, drawings, poll
from harness.drawings import ShownQuadrants
from harness.viewer import DESIGN_SIZE, Viewer
from harness.viewercase import SCREEN, ViewerTestCase, centred

MIN_SIZE = (180, 173)
STREAM_ERROR = "ストリームからの読み込みエラー."
BAD_BITMAP = "ビットマップイメージが不正です."

# (file name, drawing keywords, outer size, status panel 1)
SHAPES = [
    ("r2000.dwg", dict(code="1015", width=180, height=120), (252, 241), "ACAD R2000,LT2000"),
    ("r13.dwg", dict(code="1012", width=180, height=120), (180, 193), "ACAD R13,LT95"),
    ("r14.dwg", dict(code="1014", width=200, height=100), (280, 213), "ACAD R14,LT97,LT98"),
    ("r2004.dwg", dict(code="1018", width=250, height=150), (350, 283), "unknon"),
    ("letters.dwg", dict(code="AB12", width=200, height=150), (280, 283), "unknon"),
    ("tiny.dwg", dict(code="1012", width=10, height=10), MIN_SIZE, "ACAD R13,LT95"),
    # Rows stored top-down: a negative height gives a negative outer height before the
    # allowance is added, which the minimum raises to 173.
    ("topdown.dwg", dict(code="1015", width=300, height=-120), (420, 173), "ACAD R2000,LT2000"),
]

# A 2560 x 2560 thumbnail of one-pixel diagonals, 64 pixels apart, and how much darker than
# the white ground (on average over red, green and blue) a pixel must be to count as ink: a
# shrink with averaging greys the lines, one that drops rows and columns leaves white gaps.
DIAGONALS, SPACING, INK = 2560, 64, 16


def diagonal_gaps(shot, area):
    """{diagonal: steps along it that find no ink within one pixel of where the stretched
    line runs}, over the image area's rectangle. Steps go one pixel at a time along the
    longer side, so a line kept whole finds ink at every one."""
    w, h = area.width, area.height
    by_rows = h >= w
    gaps = {}
    for k in range(1 - DIAGONALS // SPACING, DIAGONALS // SPACING):
        offset = k * SPACING * w / DIAGONALS  # source x - y = k * SPACING, in image columns
        missing = 0
        for step in range((h if by_rows else w)):
            # The line's centre: x + 0.5 = (y + 0.5) * w / h + offset, as the stretch maps it.
            if by_rows:
                x, y = round((step + 0.5) * w / h + offset - 0.5), step
            else:
                x, y = step, round((step + 0.5 - offset) * h / w - 0.5)
            if not (1 <= x < w - 1 and 1 <= y < h - 1):
                continue  # off the image, or at its edge
            near = (shot.pixel(area.left + x + dx, area.top + y + dy)
                    for dx in (-1, 0, 1) for dy in (-1, 0, 1))
            if not any(sum(rgb) <= 3 * (255 - INK) for rgb in near):
                missing += 1
        if missing:
            gaps[k] = missing
    return gaps


class MainWindowDisplay(ViewerTestCase):
    def make(self, name, **kwargs):
        return drawings.write(self.session.run_dir / self.id().rsplit(".", 1)[1] / name,
                              **kwargs)

    def test_empty_window_at_start_and_the_minimum_size_when_the_user_drags_the_frame(self):
        viewer = Viewer.start(self.session)
        outer = viewer.outer()
        self.assertEqual((outer.width, outer.height), DESIGN_SIZE)
        self.assertEqual((outer.left, outer.top), centred(DESIGN_SIZE))
        self.assertEqual(self.session.drv.text(viewer.hwnd), "Ortholux")
        bar = viewer.status()
        self.assertEqual(bar.texts, ["", ""])
        self.assertEqual(bar.parts[0].right, 50)
        self.assertEqual(bar.parts[1].rect.right, viewer.drv.client(viewer.hwnd).right)
        self.assert_empty_image(viewer)

        # Dragging the bottom-right corner far up and left stops at the minimum size.
        viewer.drag((outer.right - 2, outer.bottom - 2), (outer.left + 20, outer.top + 20))
        self.assertEqual(viewer.wait_size(MIN_SIZE), MIN_SIZE)
        self.assertEqual(viewer.outer().left, outer.left)

    def test_outer_size_release_label_and_pixels_follow_the_thumbnail(self):
        viewer = Viewer.start(self.session)
        corner = viewer.outer()
        for name, shape, size, label in SHAPES:
            with self.subTest(name):
                viewer.drop([self.make(name, **shape)])
                title = name[:-4]
                self.assertEqual(viewer.wait_texts(lambda t: t[0] == title), [title, label])
                self.assertEqual(viewer.wait_size(size), size)
                outer, bar = viewer.outer(), viewer.status()
                self.assertEqual((outer.left, outer.top), (corner.left, corner.top))
                self.assertEqual(bar.parts[0].right, bar.width // 2)
                # White top left, black top right, red bottom left, blue bottom right,
                # top-down rows included: black and white exchanged, nothing flipped.
                self.assert_picture(viewer, ShownQuadrants(shape["width"], shape["height"]))

    def test_a_large_thumbnail_shrunk_to_the_window_keeps_its_thin_lines_whole(self):
        folder = config.fixtures()
        if folder is None:
            self.skipTest("no fixture folder ../shared/fixtures/dwg")
        real = (folder / "example_2013.dwg").read_bytes()
        path = self.session.run_dir / "diagonals.dwg"
        path.write_bytes(drawings.with_thumbnail(real, drawings.diagonals_png(DIAGONALS)))
        viewer = Viewer.start(self.session, self.wine_path(path))
        self.assertEqual(viewer.wait_texts(lambda t: t[0] == "diagonals"),
                         ["diagonals", "unknon"])
        area = viewer.image_rect()
        self.assertLess(max(area.width, area.height), DIAGONALS // 2)  # shrunk, and much
        self.assertTrue(Rect(0, 0, *SCREEN).contains(area), area)
        # Painting may lag behind the status bar: look again until every line is whole.
        gaps = poll(lambda: diagonal_gaps(self.session.screenshot(), area),
                    lambda g: not g, timeout=15, interval=0.5)
        self.assertEqual(gaps, {}, "steps without ink, by diagonal")

    def test_restore_window_size_after_a_drawing_enlarged_the_window(self):
        big = self.make("big.dwg", code="1015", width=400, height=300)
        viewer = Viewer.start(self.session, self.wine_path(big))
        self.assertEqual(viewer.wait_size((560, 493)), (560, 493))
        corner = viewer.outer()
        viewer.restore_size()
        self.assertEqual(viewer.wait_size(DESIGN_SIZE), DESIGN_SIZE)
        outer, bar = viewer.outer(), viewer.status()
        self.assertEqual((outer.left, outer.top), (corner.left, corner.top))
        self.assertEqual(bar.parts[0].right, bar.width // 2)
        self.assertEqual(bar.texts, ["big", "ACAD R2000,LT2000"])
        self.assert_picture(viewer, ShownQuadrants(400, 300))  # stretched over the smaller area

    def test_error_boxes_leave_everything_as_it_was_and_the_window_usable(self):
        good = self.make("good.dwg", code="1014", width=200, height=100)
        viewer = Viewer.start(self.session, self.wine_path(good))
        self.assertEqual(viewer.wait_texts(lambda t: t[0] == "good"),
                         ["good", "ACAD R14,LT97,LT98"])
        picture = ShownQuadrants(200, 100)
        self.assert_picture(viewer, picture)
        before = viewer.state()

        missing = self.wine_path(self.session.run_dir / "無い図面.dwg")
        viewer.open_by_dialog(missing)
        self.assert_error_box(viewer, f"ファイル {missing} は開けません.")
        self.assert_unchanged(viewer, before, picture)

        bad = [
            # The file ends before the bitmap the directory announces.
            ("truncated.dwg", dict(code="1015", cut=500), STREAM_ERROR),
            ("planes.dwg", dict(code="1015", planes=2), BAD_BITMAP),
            # A bitmap of 30 bytes: its information header is cut short.
            ("short.dwg", dict(code="1015", length=30), STREAM_ERROR),
        ]
        for name, shape, text in bad:
            with self.subTest(name):
                viewer.drop([self.make(name, **shape)])
                self.assert_error_box(viewer, text)
                self.assert_unchanged(viewer, before, picture)

        # Still usable: a drop and the dialog open drawings again.
        viewer.drop([self.make("after.dwg", code="1012", width=180, height=120)])
        self.assertEqual(viewer.wait_texts(lambda t: t[0] == "after"), ["after", "ACAD R13,LT95"])
        viewer.open_by_dialog(self.wine_path(good))
        self.assertEqual(viewer.wait_texts(lambda t: t[0] == "good"),
                         ["good", "ACAD R14,LT97,LT98"])
        self.assertEqual(viewer.wait_size((280, 213)), (280, 213))

    def test_missing_drawing_on_the_command_line_is_reported_before_the_window_shows(self):
        missing = self.wine_path(self.session.run_dir / "どこにも無い.dwg")
        viewer = Viewer.start(self.session, missing, wait=False)
        box = viewer.error_box()
        hidden = self.session.drv.find(None, "TMainForm1")
        self.assertIsNotNone(hidden)
        self.assertFalse(self.session.drv.visible(hidden))
        self.assertEqual(box.text, f"ファイル {missing} は開けません.")
        self.assert_error_box(viewer, box.text)

        # Then the window shows, empty and centred, and takes drops.
        viewer.wait_main()
        outer = viewer.outer()
        self.assertEqual((outer.width, outer.height), DESIGN_SIZE)
        self.assertEqual((outer.left, outer.top), centred(DESIGN_SIZE))
        self.assertEqual(viewer.texts(), ["", ""])
        self.assert_empty_image(viewer)
        viewer.drop([self.make("later.dwg", code="1015", width=180, height=120)])
        self.assertEqual(viewer.wait_texts(lambda t: t[0] == "later"),
                         ["later", "ACAD R2000,LT2000"])
        self.assertEqual(viewer.wait_size((252, 241)), (252, 241))


if __name__ == "__main__":
    unittest.main()
