"""The viewer's first command-line argument under Wine: short (8.3) paths are expanded to the
long names before the drawing is opened and named in the status bar, relative paths are
taken from the current directory, and paths that name no drawing are reported.

Wine makes up 8.3 names on request (GetShortPathNameA, asked through the driver), for
folders inside drive_c and on Z: alike; FindFirstFileA finds an entry by that name."""
import unittest

from harness import WineTestCase, config
from harness.pathtools import SAMPLE_PANELS, ViewerRuns, make_drawing

CHOOSE_FILE = "ファイルを選択"
PLAN = ["Plan one", SAMPLE_PANELS[1]]
NOTHING = ["", ""]


def cannot_open(path):
    # The error box appends "." to a text that ends in a double-byte character.
    return f"ファイル {path} は開けません."


class CommandLinePaths(WineTestCase):
    @classmethod
    def setUpClass(cls):
        config.exe("Ortholux.exe")
        config.exe("olxdriver.exe")
        super().setUpClass()
        s = cls.session
        # 表 and ソ end in byte 0x5C, which is no separator inside these names.
        cls.folder = s.c_drive / "Drawings Folder" / "図面 表ソ"
        cls.drawing = make_drawing(cls.folder / "Plan one.dwg")
        cls.z_drawing = make_drawing(s.run_dir / "Drawings Folder" / "図面 表ソ" / "Plan one.dwg")
        # A folder whose name passes the drawing-name test: found by the expansion, then
        # refused by the file read, so the error box shows the path that was opened.
        (cls.folder / "Folder one.dwg").mkdir()
        make_drawing(s.c_drive / "Root only.dwg")

    def setUp(self):
        super().setUp()
        self.runs = ViewerRuns(self.session)
        self.addCleanup(self.runs.close_all)

    def open(self, *args, cwd=None):
        return self.runs.open(args, cwd=cwd)

    def short_and_long(self, unix_path):
        long_path = self.session.unix_to_wine_path(unix_path)
        short_path = self.session.drv.shortpath(long_path)
        self.assertIsNotNone(short_path, long_path)
        # One 8.3 component for each long one, so every level has something to expand.
        self.assertEqual(short_path.count("\\"), long_path.count("\\"))
        self.assertTrue(short_path.isascii() and " " not in short_path, short_path)
        return short_path, long_path

    def test_short_path_opens_the_drawing_under_its_long_name(self):
        for drawing in (self.drawing, self.z_drawing):
            short_path, long_path = self.short_and_long(drawing)
            with self.subTest(short=short_path, long=long_path):
                self.assertTrue(short_path.endswith(".DWG") and "~" in short_path)
                outcome = self.open(short_path)
                self.assertIsNone(outcome.box)
                self.assertEqual(outcome.texts, PLAN)  # not the short name "PLAN~..."

    def test_every_short_component_is_expanded_in_the_path_opened(self):
        short_path, long_path = self.short_and_long(self.folder / "Folder one.dwg")
        self.assertTrue(long_path.startswith("C:\\Drawings Folder\\図面 表ソ\\"), long_path)
        outcome = self.open(short_path)
        self.assertEqual(outcome.box, cannot_open(long_path))
        self.assertEqual(outcome.texts, NOTHING)

    def test_pattern_characters_in_the_file_name_match_the_first_entry(self):
        short_folder, _ = self.short_and_long(self.folder)
        outcome = self.open(short_folder + "\\Plan o?e.dwg")
        self.assertIsNone(outcome.box)
        self.assertEqual(outcome.texts, PLAN)

    def test_missing_drawing_is_reported_with_the_path_as_given(self):
        short_folder, long_folder = self.short_and_long(self.folder)
        # A path that can't be found is not expanded at all, not even its folders.
        for missing in (long_folder + "\\Plan two.dwg", short_folder + "\\PLAN2.DWG",
                        "C:\\無いフォルダ表\\図面.dwg"):
            with self.subTest(missing=missing):
                outcome = self.open(missing)
                self.assertEqual(outcome.box, cannot_open(missing))
                self.assertEqual(outcome.texts, NOTHING)

    def test_relative_paths_are_taken_from_the_current_directory(self):
        parent = self.folder.parent
        short_name = self.short_and_long(self.drawing)[0].rsplit("\\", 1)[1]
        for cwd, argument in ((parent, "図面 表ソ\\Plan one.dwg"),
                              (self.folder, short_name),
                              (self.folder, "..\\図面 表ソ\\.\\Plan one.dwg")):
            with self.subTest(cwd=cwd.name, argument=argument):
                outcome = self.open(argument, cwd=cwd)
                self.assertIsNone(outcome.box)
                self.assertEqual(outcome.texts, PLAN)

    def test_relative_path_never_opens_a_file_of_the_drive_root(self):
        outcome = self.open("Root only.dwg", cwd=self.folder.parent)
        self.assertEqual(outcome.box, cannot_open("C:\\Drawings Folder\\Root only.dwg"))
        self.assertEqual(outcome.texts, NOTHING)

    def test_trailing_separator_fails_the_drawing_name_test(self):
        # "...\Plan one.dwg\" has no extension: the viewer asks for a file and opens nothing.
        _, long_path = self.short_and_long(self.drawing)
        outcome = self.open(long_path + "\\")
        self.assertIsNone(outcome.box)
        self.assertEqual(outcome.texts, [CHOOSE_FILE, ""])
        bar = self.session.drv.status(outcome.hwnd)
        self.assertEqual(bar.parts[0].right, bar.width // 2)


if __name__ == "__main__":
    unittest.main()
