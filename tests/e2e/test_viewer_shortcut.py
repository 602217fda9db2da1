"""The Edit menu's "デスクトップにショートカットを作成" under Wine: one ORTHOLUX.lnk in the
folder that the user's Shell Folders "Desktop" value names, pointing at the viewer and its
folder; the shortcut starts the viewer there; a missing or unusable desktop value is
reported and writes nothing.

The session is shared by the class: every test that changes the Desktop value puts it back."""
import os
import shutil
import time
import unittest

from harness import WineTestCase, config, poll
from harness.pathtools import (SAMPLE_PANELS, SHORTCUT_NAME, VIEWER_TITLE, DesktopValue,
                               ViewerRuns, create_shortcut_by_menu, error_box_or_none,
                               make_drawing, wait_viewer)

NO_DESKTOP = "デスクトップフォルダが見つからないため、ショートカットを作成できません."
BAD_TYPE = "'Desktop' のデータ型が不正です."


def shortcuts_in(folder):
    return sorted(p.name for p in folder.iterdir() if p.name.lower() == SHORTCUT_NAME.lower())


class DesktopShortcut(WineTestCase):
    @classmethod
    def setUpClass(cls):
        cls.viewer = config.exe("Ortholux.exe")
        config.exe("olxdriver.exe")
        super().setUpClass()
        cls.desktop_value = DesktopValue(cls.session)
        cls.original = cls.desktop_value.read()

    def setUp(self):
        super().setUp()
        self.addCleanup(self.desktop_value.restore, self.original)
        self.runs = ViewerRuns(self.session)
        self.addCleanup(self.runs.close_all)
        for stale in self.session.desktop.iterdir():
            stale.unlink()

    def start_viewer(self, exe=None):
        # The current directory is C:\, so a shortcut written to "the drive root" would be
        # seen in drive_c (and never lands in the host's /).
        outcome = self.runs.open(cwd=self.session.c_drive, exe=exe)
        self.assertIsNone(outcome.box)
        return outcome.hwnd

    def refusal(self):
        """Runs the command and returns the error box's text, checking that nothing was
        written and that the window is usable again."""
        hwnd = self.start_viewer()
        create_shortcut_by_menu(self.session, hwnd)
        box = error_box_or_none(self.session, timeout=10)
        self.assertIsNotNone(box, "no error box")
        # The box belongs to the hidden application window, as the main window does.
        self.assertEqual((box.caption, box.owner), (VIEWER_TITLE, self.session.drv.owner(hwnd)))
        self.assertEqual(shortcuts_in(self.session.c_drive), [])
        self.assertEqual(shortcuts_in(self.session.desktop), [])
        self.assertTrue(self.session.drv.info(hwnd)["enabled"])  # usable after OK
        return box.text

    def test_command_twice_leaves_one_shortcut_to_the_viewer_rewritten(self):
        s = self.session
        # C:\users\<user>\Desktop is a link to the session's desktop folder.
        self.assertEqual(self.original, ("REG_SZ", f"C:\\users\\{s.profile.name}\\Desktop"))
        lnk = s.desktop / SHORTCUT_NAME
        hwnd = self.start_viewer()
        create_shortcut_by_menu(s, hwnd)
        self.assertTrue(poll(lnk.is_file, timeout=15), "no shortcut written")
        first = lnk.stat().st_mtime_ns
        time.sleep(0.05)
        create_shortcut_by_menu(s, hwnd)
        self.assertNotEqual(poll(lambda: lnk.stat().st_mtime_ns, lambda m: m != first, 15), first)
        self.assertEqual(shortcuts_in(s.desktop), [SHORTCUT_NAME])
        self.assertIsNone(error_box_or_none(s, timeout=1))  # success is silent

        target = s.unix_to_wine_path(self.viewer)
        link = s.drv.readlnk(s.unix_to_wine_path(lnk))
        self.assertEqual((link.target, link.workdir, link.args),
                         (target, target.rsplit("\\", 1)[0], ""))

    def test_shortcut_starts_the_viewer_in_its_own_folder(self):
        s = self.session
        # The folder's name ends in 表 (0x95 0x5C): that 0x5C is no separator, so the
        # working directory keeps the whole name and gets no trailing "\".
        folder = s.c_drive / "Program Files" / "図面ビューア 表"
        folder.mkdir(parents=True, exist_ok=True)
        viewer = folder / "Ortholux.exe"
        shutil.copyfile(self.viewer, viewer)
        make_drawing(folder / "作業フォルダの図面.dwg")

        hwnd = self.start_viewer(exe=viewer)
        create_shortcut_by_menu(s, hwnd)
        lnk = s.desktop / SHORTCUT_NAME
        self.assertTrue(poll(lnk.is_file, timeout=15), "no shortcut written")
        link = s.drv.readlnk(s.unix_to_wine_path(lnk))
        self.assertEqual((link.target, link.workdir),
                         ("C:\\Program Files\\図面ビューア 表\\Ortholux.exe",
                          "C:\\Program Files\\図面ビューア 表"))
        self.runs.close_all()

        # A relative drawing name is found only from the shortcut's working directory.
        self.assertFalse(os.path.exists("作業フォルダの図面.dwg"))
        done = s.wine("start", "/unix", lnk, "作業フォルダの図面.dwg")
        self.assertEqual(done.returncode, 0, done.stderr)
        started, box = wait_viewer(s)
        self.addCleanup(s.drv.gone, started, 10)
        self.addCleanup(s.drv.quit, started)  # not our child: end it through its window
        self.assertIsNone(box)
        self.assertEqual(s.drv.status(started).texts, ["作業フォルダの図面", SAMPLE_PANELS[1]])

    def test_missing_or_empty_desktop_value_is_reported(self):
        for change in ("delete", "empty"):
            with self.subTest(change=change):
                if change == "delete":
                    self.desktop_value.delete()
                    self.assertIsNone(self.desktop_value.read())
                else:
                    self.desktop_value.write("REG_SZ", "")
                self.assertEqual(self.refusal(), NO_DESKTOP)

    def test_desktop_value_that_is_not_a_string_is_reported(self):
        for kind, data in (("REG_DWORD", "1"), ("REG_MULTI_SZ", "C:\\users")):
            with self.subTest(kind=kind):
                self.desktop_value.write(kind, data)
                self.assertEqual(self.desktop_value.read()[0], kind)
                self.assertEqual(self.refusal(), BAD_TYPE)

    def test_desktop_folder_that_does_not_exist_is_reported(self):
        self.desktop_value.write("REG_SZ", "C:\\無いデスクトップ")
        text = self.refusal()
        self.assertTrue(text.endswith(".") and len(text) > 1, text)
        self.assertFalse((self.session.c_drive / "無いデスクトップ").exists())

    def test_expandable_string_value_is_used_as_stored(self):
        s = self.session
        other = s.c_drive / "別のデスクトップ"
        other.mkdir(exist_ok=True)
        self.desktop_value.write("REG_EXPAND_SZ", "C:\\別のデスクトップ")
        create_shortcut_by_menu(s, self.start_viewer())
        self.assertTrue(poll((other / SHORTCUT_NAME).is_file, timeout=15), "no shortcut written")
        self.assertEqual(shortcuts_in(s.desktop), [])


if __name__ == "__main__":
    unittest.main()
