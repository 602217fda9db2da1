"""Opening drawings the three ways a user has: the first command-line argument, File > Open
and a file dropped from the file manager. Every real drawing goes in all three ways, and the
viewer must show what expected.tsv says: status texts, outer size, the thumbnail's pixels;
older releases and bitmap-less drawings leave what was there, a broken file an error box."""
import unittest

from harness import drawings, fixtures
from harness.viewer import DESIGN_SIZE, Viewer
from harness.viewercase import ViewerTestCase, centred

STREAM_ERROR = "ストリームからの読み込みエラー."

# Each kind of outcome follows a drawing that is shown, so that "leaves what was there" is
# seen against a real picture; the big ones come last, as they push the window off screen.
ORDER = ["example_2000.dwg", "r11_entities-2d.dwg", "example_r13.dwg", "r2007_atmos.dwg",
         "example_2004.dwg", "r2.10_entities.dwg", "example_r14.dwg", "r2018_line.dwg",
         "example_2007.dwg", "example_2013.dwg", "r2004_material.dwg"]


class OpeningDrawings(ViewerTestCase):
    @classmethod
    def setUpClass(cls):
        fixtures.preview_tool()
        cls.table = fixtures.expected()
        cls.pictures = {}
        super().setUpClass()

    def real_drawings(self):
        if self.table is None:
            self.skipTest("no fixture folder ../shared/fixtures/dwg")
        rest = sorted(set(self.table) - set(ORDER))
        return [self.table[name] for name in ORDER + rest if name in self.table]

    def picture(self, exp):
        """The thumbnail as the project's preview tool rebuilds it, or None."""
        if exp is None:
            return None
        if exp.path not in self.pictures:
            self.pictures[exp.path] = fixtures.thumbnail(exp.path)
        return self.pictures[exp.path]

    def assert_shown(self, viewer, exp):
        texts = viewer.wait_texts(lambda t: t == [exp.title, exp.status_panel1])
        self.assertEqual(texts, [exp.title, exp.status_panel1])
        self.assertEqual(viewer.wait_size(exp.outer_size), exp.outer_size)
        bar = viewer.status()
        self.assertEqual(bar.parts[0].right, bar.width // 2)
        self.assert_picture(viewer, self.picture(exp))

    def walk(self, viewer, open_one):
        """Opens every real drawing in turn in one running viewer."""
        shown = None
        for exp in self.real_drawings():
            with self.subTest(exp.path.name):
                before = viewer.state()
                open_one(exp.path)
                if exp.outcome == "Ready":
                    shown = exp
                    self.assert_shown(viewer, exp)
                elif exp.outcome == "BelowRange":
                    self.assert_unchanged(viewer, before, self.picture(shown))
                elif exp.outcome == "NoBitmap":
                    shown = None
                    self.assert_empty_image(viewer)
                    self.assert_unchanged(viewer, before, None)
                else:
                    self.assert_error_box(viewer, STREAM_ERROR)
                    self.assert_unchanged(viewer, before, self.picture(shown))
        self.assertTrue(viewer.running())

    # ---- the three ways, each with every real drawing ----
    def test_every_real_drawing_from_the_command_line(self):
        for exp in self.real_drawings():
            with self.subTest(exp.path.name):
                viewer = Viewer.start(self.session, self.wine_path(exp.path),
                                      wait=exp.outcome != "Error")
                try:
                    self.check_command_line_start(viewer, exp)
                finally:
                    viewer.stop()  # before the next copy starts: that would end this one

    def check_command_line_start(self, viewer, exp):
        if exp.outcome == "Error":
            self.assert_error_box(viewer, STREAM_ERROR)
            viewer.wait_main()
        if exp.outcome != "Ready":
            self.assertEqual(viewer.texts(), ["", ""])
            self.assertEqual(viewer.size(), DESIGN_SIZE)
            self.assert_empty_image(viewer)
            return
        self.assert_shown(viewer, exp)
        # Sized before it was first shown, then centred at that size.
        outer = viewer.outer()
        self.assertEqual((outer.left, outer.top), centred(exp.outer_size))

    def test_every_real_drawing_through_the_open_dialog(self):
        viewer = Viewer.start(self.session)
        self.walk(viewer, lambda path: viewer.open_by_dialog(self.wine_path(path)))

    def test_every_real_drawing_dropped_on_the_window(self):
        viewer = Viewer.start(self.session)
        self.walk(viewer, lambda path: viewer.drop([path]))

    # ---- drops and the dialog with drawings of our own ----
    def test_drop_opens_only_the_first_file_and_only_a_drawing_in_any_letter_case(self):
        folder = self.session.run_dir / "drops"
        mixed = drawings.write(folder / "図面 ソ表.DwG", code="1015", width=180, height=120)
        upper = drawings.write(folder / "PLAN.DWG", code="1012", width=180, height=120)
        notes = folder / "notes.txt"
        notes.write_text("not a drawing")
        disguised = drawings.write(folder / "drawing.dwg.txt", code="1015")
        viewer = Viewer.start(self.session)
        empty = viewer.state()

        # A text file, alone or first, changes nothing and shows nothing.
        for files in ([notes], [notes, upper, mixed], [disguised]):
            viewer.drop(files)
            self.assert_unchanged(viewer, empty, None)

        viewer.drop([mixed, upper, notes])
        self.assertEqual(viewer.wait_texts(lambda t: t[0] != ""),
                         ["図面 ソ表", "ACAD R2000,LT2000"])
        self.assertEqual(viewer.wait_size((252, 241)), (252, 241))
        self.assert_picture(viewer, drawings.ShownQuadrants(180, 120))

        viewer.drop([upper, mixed])
        self.assertEqual(viewer.wait_texts(lambda t: t[0] == "PLAN"), ["PLAN", "ACAD R13,LT95"])
        self.assertEqual(viewer.wait_size((180, 193)), (180, 193))

        shown = viewer.state()
        viewer.drop([notes, mixed])
        self.assert_unchanged(viewer, shown, drawings.ShownQuadrants(180, 120))

        # A dropped name is cut to 255 bytes before it is looked at: a text file whose name
        # goes on past a ".dwg" at byte 255 opens the drawing of the cut name.
        prefix = len(self.wine_path(folder)) + 1
        cut = drawings.write(folder / ("c" * (255 - prefix - 4) + ".dwg"), code="1014",
                             width=200, height=100)
        longer = folder / (cut.name + " notes.txt")
        longer.write_text("not a drawing")
        self.assertEqual(len(self.wine_path(cut).encode("cp932")), 255)
        viewer.drop([longer])
        self.assertEqual(viewer.wait_texts(lambda t: t[0] == cut.stem),
                         [cut.stem, "ACAD R14,LT97,LT98"])

    def test_open_dialog_cancel_changes_nothing_and_the_chosen_name_is_not_checked(self):
        folder = self.session.run_dir / "dialog"
        first = drawings.write(folder / "first.dwg", code="1014", width=200, height=100)
        # The dialog takes whatever file the user confirms, whatever its extension.
        other = drawings.write(folder / "図面.dat", code="1015", width=180, height=120)
        viewer = Viewer.start(self.session, self.wine_path(first))
        self.assertEqual(viewer.wait_texts(lambda t: t[0] == "first"),
                         ["first", "ACAD R14,LT97,LT98"])
        before = viewer.state()

        drv = self.session.drv
        dialog = viewer.open_dialog()
        self.assertEqual(drv.owner(dialog), drv.owner(viewer.hwnd))  # the application window
        self.session.key("Escape")
        self.assertTrue(drv.gone(dialog, 10))
        self.assert_unchanged(viewer, before, drawings.ShownQuadrants(200, 100))

        viewer.open_by_dialog(self.wine_path(other))
        self.assertEqual(viewer.wait_texts(lambda t: t[0] == "図面"), ["図面", "ACAD R2000,LT2000"])
        self.assertEqual(viewer.wait_size((252, 241)), (252, 241))

        # Next time the dialog offers the file chosen last.
        dialog = viewer.open_dialog()
        [name_field] = [c for c in drv.children(dialog)
                        if c.id == 0x47C and c.cls == "ComboBoxEx32"]
        self.assertEqual(name_field.text, "図面.dat")
        self.session.key("Escape")
        self.assertTrue(drv.gone(dialog, 10))
        self.assertEqual(viewer.texts(), ["図面", "ACAD R2000,LT2000"])


if __name__ == "__main__":
    unittest.main()
