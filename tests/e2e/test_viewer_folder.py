"""Stepping through the drawings of the shown drawing's folder with the arrow, page, Home and
End keys: Explorer's order, files only and only drawings, read afresh at every key; a damaged
drawing and one with nothing to show are stepped onto and past; the ends stop; two names the
code page can't hold, listed alike, are stepped onto and past one by one."""
import unittest

from harness import drawings
from harness.viewer import Viewer
from harness.viewercase import ViewerTestCase

STREAM_ERROR = "ストリームからの読み込みエラー."
RELEASE = "ACAD R2000,LT2000"


class SteppingThroughAFolder(ViewerTestCase):
    def make_folder(self):
        folder = self.session.run_dir / "steps"
        sizes = {"plan1.dwg": (140, 80), "plan2.dwg": (150, 90), "Plan10.DWG": (160, 100),
                 "図面.dwg": (180, 120),
                 # Not the folder's drawings: a longer extension (its 8.3 alias matches
                 # *.dwg) and a text file named like a drawing.
                 "plan4.dwgx": (200, 100), "plan6.dwg.txt": (200, 110)}
        files = {name: drawings.write(folder / name, code="1015", width=w, height=h)
                 for name, (w, h) in sizes.items()}
        drawings.write(folder / "plan3.dwg", code="1015", cut=500)      # damaged
        drawings.write(folder / "plan7.dwg", code="1015", entries=3)    # nothing to show
        (folder / "plan5.dwg").mkdir()
        return folder, files

    def assert_shown(self, viewer, title, width, height):
        self.assertEqual(viewer.wait_texts(lambda t: t[0] == title), [title, RELEASE])
        size = (width * 14 // 10, height * 14 // 10 + 73)
        self.assertEqual(viewer.wait_size(size), size)
        self.assert_picture(viewer, drawings.ShownQuadrants(width, height))

    def test_keys_step_through_the_folder_in_explorer_order(self):
        folder, files = self.make_folder()
        viewer = Viewer.start(self.session)
        empty = viewer.state()
        viewer.keys("Right", "End", "Home", "Prior")  # no drawing yet: nothing to step from
        self.assert_unchanged(viewer, empty, None)

        viewer.drop([files["plan2.dwg"]])
        self.assert_shown(viewer, "plan2", 150, 90)
        viewer.keys("Left")
        self.assert_shown(viewer, "plan1", 140, 80)
        viewer.keys("Left", "Next")  # nothing before the first, no wrapping round
        self.assert_shown(viewer, "plan2", 150, 90)

        # The damaged drawing: the dialog's error box, nothing else changes. The box keeps
        # its keys: an End taken by the viewer would land on the last drawing.
        shown = viewer.state()
        viewer.keys("Right")
        box = viewer.error_box()
        self.assertEqual((box.caption, box.text), ("Ortholux", STREAM_ERROR))
        self.assertTrue(self.session.wait_keyboard(box.hwnd))
        self.session.key("End", "Return")
        self.assertTrue(self.session.drv.gone(box.hwnd, 10))
        # Stepped past it: on to the drawing with nothing to show, which empties the image
        # and leaves the rest.
        viewer.keys("Right")
        self.assert_empty_image(viewer)
        self.assertEqual(viewer.state(), shown)
        viewer.keys("Right")  # 10 after 7, not after 1 as bytes sort
        self.assert_shown(viewer, "Plan10", 160, 100)

        # A drawing added between two steps is found; the shown one deleted still has its
        # neighbours. Keys reach the window with the image clicked too.
        added = drawings.write(folder / "plan8.dwg", code="1015", width=170, height=110)
        viewer.keys("Left")
        self.assert_shown(viewer, "plan8", 170, 110)
        added.unlink()
        self.session.click(*viewer.image_rect().center)
        viewer.keys("Next")
        self.assert_shown(viewer, "Plan10", 160, 100)

        # An open menu keeps its keys: a Home taken by the viewer would go to plan1, and
        # the Right after it to plan2.
        viewer.keys("alt+f", "Home", "Escape", "Escape")
        viewer.keys("Right")
        self.assert_shown(viewer, "図面", 180, 120)
        viewer.keys("End", "Right", "Prior")  # nothing after the last
        self.assert_shown(viewer, "Plan10", 160, 100)
        viewer.keys("Home")
        self.assert_shown(viewer, "plan1", 140, 80)
        self.assertTrue(viewer.running())

    def test_two_names_listed_alike_are_each_stepped_onto_and_past(self):
        folder = self.session.run_dir / "alike"
        drawings.write(folder / "w.dwg", code="1015", width=140, height=80)
        drawings.write(folder / "y.dwg", code="1015", width=150, height=90)
        for name in ("x é.dwg", "x è.dwg"):
            drawings.write(folder / name, code="1015", width=200, height=100)
        # Code page 932 holds neither accent: the ANSI listing names both alike (Wine puts
        # a plain "e" in), and by that name neither opens.
        listed = self.session.drv.files(self.wine_path(folder / "x*"))
        self.assertEqual(len(listed), 2)
        self.assertEqual(listed[0], listed[1])
        alike = self.wine_path(folder) + "\\" + listed[0].decode("cp932")
        unopenable = f"ファイル {alike} は開けません."

        viewer = Viewer.start(self.session, self.wine_path(folder / "w.dwg"))
        self.assert_shown(viewer, "w", 140, 80)
        for key, shown in (("Right", ("y", 150, 90)), ("Left", ("w", 140, 80))):
            with self.subTest(key):
                for _ in range(2):  # each of the two: its box, nothing else changes
                    before = viewer.state()
                    viewer.keys(key)
                    self.assert_error_box(viewer, unopenable)
                    self.assertEqual(viewer.state(), before)
                viewer.keys(key)
                self.assert_shown(viewer, *shown)


if __name__ == "__main__":
    unittest.main()
