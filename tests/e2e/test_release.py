"""The Windows release as a user gets it: the zip scripts/package.sh wrote, unpacked into
C:\\Program Files\\Ortholux of a fresh prefix (a path with a space). From there the viewer
opens a real drawing, loads the side-by-side common controls its manifest asks for, shows
About with the release's version and Help in the help engine; the command-line tool in the
zip says for every real drawing what the host build's tool says."""
import os
import struct
import subprocess
import unittest
import zipfile
from pathlib import Path

from harness import config, fixtures
from harness.helpwindow import HelpWindow
from harness.viewer import Viewer
from harness.viewercase import ViewerTestCase

FOLDER = "C:\\Program Files\\Ortholux"
ABOUT_TITLE, ABOUT_CLASS, LABEL2 = "バージョン情報", "TForm1", 103
HELP_TITLE = "Ortholux ヘルプ"
# The shell handlers hold the DXF reader and renderer, the stroke font and the DWG object
# reader: 792 KiB stripped (810,496 bytes), a fifth more allowed.
MAX_SHELL_BYTES = 960 * 1024
MAX_VIEWER_BYTES = 1024 * 1024
SAMPLE = config.REPO_ROOT / "samples" / "sample.dwg"


def pe_header(data):
    """(time stamp, symbol table offset, symbol count, section names) of a PE file."""
    at = struct.unpack_from("<I", data, 0x3C)[0]
    if data[at:at + 4] != b"PE\0\0":
        raise AssertionError("not a PE file")
    _, sections, stamp, symbols_at, symbols, optional_size, _ = \
        struct.unpack_from("<HHIIIHH", data, at + 4)
    first = at + 24 + optional_size
    names = [data[first + 40 * i:first + 40 * i + 8].rstrip(b"\0").decode("latin-1")
             for i in range(sections)]
    return stamp, symbols_at, symbols, names


class Release(ViewerTestCase):
    @classmethod
    def setUpClass(cls):
        cls.zip_path = config.release_zip()
        fixtures.preview_tool()
        super().setUpClass()
        cls.folder = cls.session.wine_to_unix_path(FOLDER)
        with zipfile.ZipFile(cls.zip_path) as archive:
            archive.extractall(cls.folder)

    def tearDown(self):
        super().tearDown()
        if HelpWindow.all(self.session):  # winhlp32 outlives the viewer
            self.session.reset()

    def drawing(self):
        """The first real drawing that shows a thumbnail -> (path, Expected or None);
        without the fixtures, the sample."""
        table = fixtures.expected() or {}
        ready = [e for _, e in sorted(table.items()) if e.outcome == "Ready"]
        return (ready[0].path, ready[0]) if ready else (SAMPLE, None)

    def start_viewer(self, *args):
        viewer = Viewer(self.session, self.session.start(f"{FOLDER}\\Ortholux.exe", args))
        viewer.wait_main()
        return viewer

    # ---- the zip itself ----
    def test_zip_holds_the_release_files_named_for_the_version(self):
        version = os.environ["ORTHOLUX_VERSION"]
        self.assertEqual(self.zip_path.name, f"Ortholux-{version}-win64.zip")
        wanted = ["LICENSE.txt", "Ortholux.exe", "Ortholux.hlp", "OrtholuxShell.dll",
                  "README.txt", "ortholux-preview.exe"]
        if (config.bin_dir() / "Ortholux.html").is_file():
            wanted.insert(3, "Ortholux.html")
        with zipfile.ZipFile(self.zip_path) as archive:
            infos = archive.infolist()
            readme = archive.read("README.txt")
            licence = archive.read("LICENSE.txt")
        self.assertEqual([i.filename for i in infos], wanted)
        self.assertEqual(len({i.date_time for i in infos}), 1)

        # Notepad on a Japanese system: Shift-JIS, CRLF line ends only.
        for text in (readme, licence):
            self.assertEqual(text.count(b"\n"), text.count(b"\r\n"))
        words = readme.decode("cp932")
        self.assertIn(f"Ortholux {version}", words)
        self.assertIn("レジストリ", words)
        self.assertIn("regsvr32 /u", words)
        self.assertIn("thumbcache_*.db", words)
        self.assertIn("Copyright (c) 2026 Ortholux Project", licence.decode("ascii"))

    def test_programs_are_stripped_and_carry_no_link_time(self):
        for name in ("Ortholux.exe", "ortholux-preview.exe", "OrtholuxShell.dll"):
            with self.subTest(name):
                data = (self.folder / name).read_bytes()
                stamp, symbols_at, symbols, sections = pe_header(data)
                self.assertEqual((stamp, symbols_at, symbols), (0, 0, 0))
                self.assertEqual([s for s in sections if s.startswith((".debug", "/"))], [])
        size = (self.folder / "Ortholux.exe").stat().st_size
        print(f"\nOrtholux.exe: {size} bytes stripped")
        self.assertLess(size, MAX_VIEWER_BYTES)
        shell = (self.folder / "OrtholuxShell.dll").stat().st_size
        print(f"OrtholuxShell.dll: {shell} bytes stripped")
        self.assertLess(shell, MAX_SHELL_BYTES)

    # ---- the viewer started from Program Files ----
    def test_viewer_opens_a_real_drawing_with_common_controls_6(self):
        path, exp = self.drawing()
        viewer = self.start_viewer(self.wine_path(path))
        if exp is None:
            self.assertEqual(viewer.wait_texts(lambda t: t[0] == path.stem)[0], path.stem)
        else:
            texts = viewer.wait_texts(lambda t: t == [exp.title, exp.status_panel1])
            self.assertEqual(texts, [exp.title, exp.status_panel1])
            self.assertEqual(viewer.wait_size(exp.outer_size), exp.outer_size)
        self.assert_picture(viewer, fixtures.thumbnail(path))

        modules = [m.lower() for m in self.session.drv.modules(self.session.drv.info(
            viewer.hwnd)["pid"])]
        self.assertEqual(modules[0], f"{FOLDER}\\Ortholux.exe".lower())
        comctl = [m for m in modules if m.endswith("\\comctl32.dll")]
        self.assertEqual(len(comctl), 1, comctl)
        self.assertIn("\\winsxs\\", comctl[0])
        self.assertNotIn("\\system32\\", comctl[0])

    def test_about_shows_the_release_version(self):
        viewer = self.start_viewer()
        viewer.keys("alt+h", "a")
        drv = self.session.drv
        box = drv.wait(ABOUT_TITLE, ABOUT_CLASS, 20)
        label = {c.id: c for c in drv.children(box)}[LABEL2]
        self.assertEqual(label.text, "製品バージョン\u3000" + config.file_version())
        self.assertTrue(drv.wait_foreground(box, 20))
        self.session.key("Return")
        self.assertTrue(drv.gone(box, 10), "About box still shows")

    def test_help_opens_the_shipped_help_file_in_the_help_engine(self):
        self.assertEqual(HelpWindow.all(self.session), [])
        viewer = self.start_viewer()
        viewer.keys("alt+h", "d")
        help_window = HelpWindow.wait(self.session, 30)
        self.assertEqual(help_window.caption(), HELP_TITLE)
        self.assertTrue(self.session.drv.visible(help_window.hwnd))

    # ---- the command-line tool ----
    def test_preview_tool_prints_what_the_host_tool_prints(self):
        table = fixtures.expected()
        drawings = [SAMPLE] + ([e.path for _, e in sorted(table.items())] if table else [])
        out_dir = self.session.c_drive / "olx-out"
        out_dir.mkdir(exist_ok=True)
        for path in drawings:
            with self.subTest(path.name):
                host_image = out_dir / f"{path.name}.host"
                host = subprocess.run([str(fixtures.preview_tool()), str(path), str(host_image)],
                                      capture_output=True, timeout=60,
                                      env=dict(os.environ, LC_ALL="ja_JP.UTF-8"))
                # A drawn picture is a PNG, which this build cannot write: the line alone.
                output = [] if host.stdout.startswith(b"Drawn ") else [
                    f"C:\\olx-out\\{path.name}.win"]
                if not output:
                    host_image.unlink()
                windows = self.session.wine(f"{FOLDER}\\ortholux-preview.exe",
                                            self.wine_path(path), *output)
                self.assertEqual(windows.stdout.decode("ascii").splitlines(),
                                 host.stdout.decode("ascii").splitlines())
                self.assertEqual(windows.returncode, host.returncode)
                self.assertEqual(windows.stderr.decode("cp932").strip(),
                                 host.stderr.decode("utf-8").strip())
                win_image = out_dir / f"{path.name}.win"
                self.assertEqual(win_image.is_file(), host_image.is_file())
                if host_image.is_file():
                    self.assertEqual(win_image.read_bytes(), host_image.read_bytes())

    def test_preview_tools_batch_form_reads_dxf_drawings_as_the_host_tool_does(self):
        folder = config.fixtures()
        folder = folder.parent / "dxf" if folder else None
        if not folder or not folder.is_dir():
            self.skipTest("no DXF drawings beside the DWG ones")

        def lines(output):  # file name -> the line after the tab
            return {Path(p.replace("\\", "/")).name: text for p, text in
                    (line.split("\t") for line in output.splitlines())}
        host = subprocess.run([str(fixtures.preview_tool()), "-r", str(folder)],
                              capture_output=True, timeout=120)
        windows = self.session.wine(f"{FOLDER}\\ortholux-preview.exe", "-r",
                                    self.wine_path(folder), timeout=120)
        self.assertEqual(len(lines(host.stdout.decode("utf-8"))), 26)
        self.assertEqual(lines(windows.stdout.decode("cp932")),
                         lines(host.stdout.decode("utf-8")))
        self.assertEqual(windows.returncode, host.returncode)


if __name__ == "__main__":
    unittest.main()
