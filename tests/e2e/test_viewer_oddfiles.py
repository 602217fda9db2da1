"""Files that are not what they seem, met by the viewer under Wine the ways a user meets them:
named on the command line and dropped on the window. Named pipes (with and without a program
holding them open), a link to a character device, a folder, a dangling link, a file the user
may not read, a file that gives less than its size, files of 0 to 17 bytes, and names whose
double-byte characters end in 0x5C. Each ends at once with the open error or the
stream-read error, never a hang, and the window stays usable.

The tests run as root, and root reads a mode-000 file all the same: this module gives up
the capabilities that override file permissions (for itself and everything it starts,
Wine included) before its session starts. Where that is not allowed, the unreadable case is
skipped and says why."""
import ctypes
import os
import subprocess
import unittest

from harness import drawings
from harness.viewer import Viewer
from harness.viewercase import ViewerTestCase

STREAM_ERROR = "ストリームからの読み込みエラー."
OPEN_ERROR = "open"  # "ファイル <path> は開けません." with the path as the viewer was given it
BOX_WAIT = 10.0  # a hang lasts for ever: anything the viewer does at once fits well inside

# sysfs attributes say 4096 bytes and give a few: what a file truncated by another program
# after it was opened looks like to its reader. The first one present is used.
SHORT_READS = ["/sys/kernel/profiling", "/sys/power/state",
               "/sys/kernel/mm/transparent_hugepage/enabled"]

_PR_CAPBSET_DROP = 24
_CAP_DAC_OVERRIDE, _CAP_DAC_READ_SEARCH = 1, 2


def give_up_permission_override():
    """Drops the file-permission overrides from the bounding set, so that programs started
    from now on (Xvfb, wineserver, the viewer) meet file modes as a user does. -> None, or
    why it could not be done."""
    if os.geteuid() != 0:
        return None
    libc = ctypes.CDLL(None, use_errno=True)
    for cap in (_CAP_DAC_OVERRIDE, _CAP_DAC_READ_SEARCH):
        if libc.prctl(_PR_CAPBSET_DROP, cap, 0, 0, 0) != 0:
            return f"prctl(PR_CAPBSET_DROP) failed: {os.strerror(ctypes.get_errno())}"
    return None


def short_read_file():
    for path in SHORT_READS:
        try:
            with open(path, "rb") as f:
                if os.fstat(f.fileno()).st_size > len(f.read()):
                    return path
        except OSError:
            continue
    return None


class OddFiles(ViewerTestCase):
    @classmethod
    def setUpClass(cls):
        cls.no_override = give_up_permission_override()
        super().setUpClass()
        cls.folder = cls.session.run_dir / "変なファイル"
        cls.folder.mkdir()
        cls.good = drawings.write(cls.folder / "good.dwg", code="1015", width=180, height=120)
        cls.cases = cls.make_cases()

    @classmethod
    def make_cases(cls):
        """{name: (expected box, why it is skipped or None)}; the files are made here."""
        f, cases = cls.folder, {}
        # Pipes and devices are refused when opened: only disk files are read.
        os.mkfifo(f / "pipe.dwg")
        cases["pipe.dwg"] = (OPEN_ERROR, None)
        # A writer that never writes: a read from this pipe would wait for ever.
        os.mkfifo(f / "held pipe.dwg")
        writer = os.open(f / "held pipe.dwg", os.O_RDWR | os.O_NONBLOCK)
        cls.addClassCleanup(os.close, writer)
        cases["held pipe.dwg"] = (OPEN_ERROR, None)
        os.symlink("/dev/zero", f / "zero.dwg")  # endless: never read "to the end"
        cases["zero.dwg"] = (OPEN_ERROR, None)
        (f / "folder.dwg").mkdir()
        cases["folder.dwg"] = (OPEN_ERROR, None)
        os.symlink(f / "nowhere.dwg", f / "dangling.dwg")
        cases["dangling.dwg"] = (OPEN_ERROR, None)

        locked = drawings.write(f / "unreadable.dwg", code="1015")
        locked.chmod(0)
        readable = subprocess.run(["cat", str(locked)], capture_output=True).returncode == 0
        why = cls.no_override or (readable and "root still reads a mode-000 file here")
        cases["unreadable.dwg"] = (OPEN_ERROR, why or None)

        source = short_read_file()
        if source:
            os.symlink(source, f / "shorter than its size.dwg")
        cases["shorter than its size.dwg"] = (
            STREAM_ERROR, None if source else f"none of {SHORT_READS} reads short")

        whole = drawings.drawing(code="1015", thumb=drawings.thumbnail(180, 120))
        for n in range(18):
            (f / f"cut {n}.dwg").write_bytes(whole[:n])
            cases[f"cut {n}.dwg"] = (STREAM_ERROR, None)
        # ソ and 表 end in 0x5C: the box must show the name whole.
        (f / "図面ソ表.dwg").mkdir()
        cases["図面ソ表.dwg"] = (OPEN_ERROR, None)
        (f / "表ソ.dwg").write_bytes(b"")
        cases["表ソ.dwg"] = (STREAM_ERROR, None)
        return cases

    def wine_path(self, path):
        # The link itself, never its target: the viewer is given what the user chose.
        return self.session.unix_to_wine_path(path.parent) + "\\" + path.name

    def expected_text(self, name):
        expected, why = self.cases[name]
        if why:
            self.skipTest(why)
        if expected == OPEN_ERROR:
            return f"ファイル {self.wine_path(self.folder / name)} は開けません."
        return expected

    def assert_box_then_usable(self, viewer, text):
        """The box comes at once, over a disabled window that OK gives back."""
        self.assertEqual(viewer.error_box(BOX_WAIT).text, text)
        self.assert_error_box(viewer, text)
        self.assertTrue(viewer.running())

    # ---- tests ----
    def test_odd_files_dropped_on_the_window_are_refused_and_the_drawing_stays(self):
        viewer = Viewer.start(self.session, self.wine_path(self.good))
        shown = viewer.wait_texts(lambda t: t[0] == "good")
        self.assertEqual(shown, ["good", "ACAD R2000,LT2000"])
        before = viewer.state()
        for name in self.cases:
            with self.subTest(name):
                text = self.expected_text(name)
                viewer.drop([self.folder / name])
                self.assert_box_then_usable(viewer, text)
                self.assertEqual(viewer.state(), before)
        self.assert_picture(viewer, drawings.ShownQuadrants(180, 120))

    def test_odd_files_on_the_command_line_are_reported_before_the_window_shows(self):
        names = ["pipe.dwg", "held pipe.dwg", "zero.dwg", "dangling.dwg", "unreadable.dwg",
                 "shorter than its size.dwg", "cut 0.dwg", "cut 17.dwg", "図面ソ表.dwg"]
        for name in names:
            with self.subTest(name):
                text = self.expected_text(name)
                viewer = Viewer.start(self.session, self.wine_path(self.folder / name),
                                      wait=False)
                try:
                    self.assert_box_then_usable(viewer, text)
                    viewer.wait_main()
                    self.assertEqual(viewer.texts(), ["", ""])
                finally:
                    viewer.stop()
        # The last copy refused its file and still opens a drawing dropped on it.
        viewer = Viewer.start(self.session, self.wine_path(self.folder / "pipe.dwg"),
                              wait=False)
        viewer.confirm(viewer.error_box(BOX_WAIT))
        viewer.wait_main()
        viewer.drop([self.good])
        self.assertEqual(viewer.wait_texts(lambda t: t[0] == "good"),
                         ["good", "ACAD R2000,LT2000"])


if __name__ == "__main__":
    unittest.main()
