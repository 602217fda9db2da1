"""Start-up: the command line (first argument only, text files, names with spaces and
Japanese, short and relative paths), the hand-over from an earlier copy, another program's
window titled "Ortholux" with and without an owner, and exit by keyboard."""
import unittest

from harness import config, drawings, poll
from harness.viewer import DESIGN_SIZE, MAIN_CLASS, Viewer
from harness.viewercase import ViewerTestCase, centred

QUIT_RECEIVED = 17  # olxtitled.exe's exit status after a posted quit message


class StartUp(ViewerTestCase):
    @classmethod
    def setUpClass(cls):
        cls.titled = config.exe("olxtitled.exe")
        super().setUpClass()

    def make(self, name, **kwargs):
        return drawings.write(self.session.run_dir / self.id().rsplit(".", 1)[1] / name,
                              **kwargs)

    def visible_main_windows(self):
        return [w for w in self.session.drv.windows(MAIN_CLASS) if w.visible]

    def still_running(self, proc, seconds=3.0):
        """True when proc is still running after seconds (it has been given time to end)."""
        return poll(lambda: proc.poll(), lambda status: status is not None, seconds) is None

    # ---- command line ----
    def test_first_argument_not_a_drawing_asks_for_a_file_and_further_arguments_are_ignored(self):
        drawing = self.make("plan.dwg", code="1015", width=180, height=120)
        notes = drawing.parent / "notes.txt"
        notes.write_text("not a drawing")
        for args in ([notes], [notes, drawing]):
            with self.subTest(len(args)):
                viewer = Viewer.start(self.session, *map(self.wine_path, args))
                try:
                    bar = viewer.status()
                    self.assertEqual(bar.texts, ["ファイルを選択", ""])
                    self.assertEqual(bar.parts[0].right, bar.width // 2)
                    self.assertEqual(viewer.size(), DESIGN_SIZE)
                    self.assert_empty_image(viewer)
                finally:
                    viewer.stop()

        viewer = Viewer.start(self.session, self.wine_path(drawing), self.wine_path(notes))
        self.assertEqual(viewer.texts(), ["plan", "ACAD R2000,LT2000"])
        self.assertEqual(viewer.size(), (252, 241))
        self.assertEqual(viewer.outer().left, centred((252, 241))[0])

    def test_drawing_names_with_spaces_japanese_short_and_relative_forms(self):
        spaced = self.make("図面 ソ表 1.DWG", code="1012", width=180, height=120)
        long_name = self.session.c_drive / "長い名前のフォルダ" / "Long Drawing Name.dwg"
        drawings.write(long_name, code="1014", width=200, height=100)
        short = self.session.drv.shortpath(self.wine_path(long_name))
        self.assertIn("~", short)
        relative = self.make("relative.dwg", code="1018", width=200, height=100)
        cases = [
            ([self.wine_path(spaced)], None, ["図面 ソ表 1", "ACAD R13,LT95"], (180, 193)),
            # An 8.3 path is opened and named under its long name.
            ([short], None, ["Long Drawing Name", "ACAD R14,LT97,LT98"], (280, 213)),
            # A name without a folder is looked for in the current directory.
            (["relative.dwg"], relative.parent, ["relative", "unknon"], (280, 213)),
        ]
        for args, cwd, texts, size in cases:
            with self.subTest(texts[0]):
                viewer = Viewer(self.session,
                                self.session.start(config.exe("Ortholux.exe"), args, cwd))
                viewer.wait_main()
                try:
                    self.assertEqual(viewer.wait_texts(lambda t: t == texts), texts)
                    self.assertEqual(viewer.size(), size)
                finally:
                    viewer.stop()

    # ---- hand-over ----
    def test_second_copy_ends_the_first_and_opens_its_own_drawing(self):
        first = Viewer.start(self.session, self.wine_path(self.make("one.dwg", code="1015")))
        self.assertEqual(first.texts(), ["one", "ACAD R2000,LT2000"])
        second = Viewer.start(self.session, self.wine_path(self.make("two.dwg", code="1012")),
                              wait=False)
        self.assertEqual(self.session.wait_exit(first.proc, 30), 0)
        second.wait_main()
        self.assertEqual(second.wait_texts(lambda t: t[0] == "two"), ["two", "ACAD R13,LT95"])
        self.assertEqual(len(self.visible_main_windows()), 1)
        self.assertTrue(self.still_running(second.proc))
        self.assertEqual(second.texts(), ["two", "ACAD R13,LT95"])

    def test_another_programs_window_titled_ortholux_gets_its_owner_a_quit_message(self):
        other = self.session.start(self.titled, ["--owned"])
        titled = self.session.wait_window("Ortholux", "OlxTitled")
        self.assertIsNotNone(self.session.drv.owner(titled))
        viewer = Viewer.start(self.session)
        self.assertEqual(self.session.wait_exit(other, 30), QUIT_RECEIVED)
        self.assertTrue(self.still_running(viewer.proc))
        self.assertEqual(viewer.texts(), ["", ""])

    def test_window_titled_ortholux_without_an_owner_is_left_alone(self):
        other = self.session.start(self.titled)
        titled = self.session.wait_window("Ortholux", "OlxTitled")
        self.assertIsNone(self.session.drv.owner(titled))
        viewer = Viewer.start(self.session, self.wine_path(self.make("mine.dwg", code="1015")))
        self.assertTrue(self.still_running(viewer.proc))
        self.assertIsNone(other.poll())
        self.assertTrue(self.session.drv.visible(titled))
        self.assertEqual(viewer.texts(), ["mine", "ACAD R2000,LT2000"])

    # ---- exit ----
    def test_exit_by_keyboard_ends_the_process(self):
        viewer = Viewer.start(self.session)
        viewer.exit()
        self.assertEqual(self.session.wait_exit(viewer.proc, 30), 0)
        self.assertTrue(self.session.drv.gone(viewer.hwnd, 10))
        self.assertEqual(self.visible_main_windows(), [])


if __name__ == "__main__":
    unittest.main()
