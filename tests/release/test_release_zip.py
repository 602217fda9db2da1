"""tools/release_zip.py: the same files give the same zip bytes whatever order they come
in, and the text files come out as a Japanese Windows Notepad reads them."""
import shutil
import sys
import tempfile
import unittest
import zipfile
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "tools"))
import release_zip  # noqa: E402

EPOCH = 1765152000  # 2025-12-08 00:00:00 UTC


class ReleaseZip(unittest.TestCase):
    def setUp(self):
        self.folder = Path(tempfile.mkdtemp(prefix="olx-zip-"))
        self.addCleanup(shutil.rmtree, self.folder)
        self.exe = self.folder / "a.exe"
        self.exe.write_bytes(bytes(range(256)) * 40)
        self.readme = self.folder / "README.txt"
        self.readme.write_text("表示ソフト @VERSION@\n二行目\n", encoding="utf-8")

    def build(self, name, args):
        out = self.folder / name
        self.assertEqual(release_zip.main([str(out), "--epoch", str(EPOCH), "--version", "1.2.3",
                                           *args]), 0)
        return out

    def test_same_files_in_any_order_give_the_same_bytes(self):
        one = self.build("one.zip", ["--binary", f"b.exe={self.exe}",
                                     "--text", f"README.txt={self.readme}",
                                     "--binary", f"A.exe={self.exe}"])
        # Files written later have other mtimes on disk: the zip must not see them.
        self.exe.touch()
        two = self.build("two.zip", ["--binary", f"A.exe={self.exe}",
                                     "--binary", f"b.exe={self.exe}",
                                     "--text", f"README.txt={self.readme}"])
        self.assertEqual(one.read_bytes(), two.read_bytes())
        with zipfile.ZipFile(one) as z:
            infos = z.infolist()
        self.assertEqual([i.filename for i in infos], ["A.exe", "README.txt", "b.exe"])
        self.assertEqual({i.date_time for i in infos}, {(2025, 12, 8, 0, 0, 0)})
        self.assertEqual({i.extra for i in infos}, {b""})
        self.assertEqual({i.compress_type for i in infos}, {zipfile.ZIP_DEFLATED})

    def test_text_becomes_shift_jis_with_crlf_and_the_version(self):
        out = self.build("t.zip", ["--text", f"README.txt={self.readme}",
                                   "--binary", f"a.exe={self.exe}"])
        with zipfile.ZipFile(out) as z:
            text = z.read("README.txt")
            self.assertEqual(z.read("a.exe"), self.exe.read_bytes())
        self.assertEqual(text, "表示ソフト 1.2.3\r\n二行目\r\n".encode("cp932"))
        # ソ's second byte is 0x5C: the conversion must not take it for anything else.
        self.assertIn(b"\x83\x5c", text)

    def test_a_character_shift_jis_lacks_stops_the_build(self):
        self.readme.write_text("smile \U0001F600\n", encoding="utf-8")
        with self.assertRaises(UnicodeEncodeError):
            self.build("bad.zip", ["--text", f"README.txt={self.readme}"])
        self.assertFalse((self.folder / "bad.zip").exists())

    def test_times_before_1980_are_clamped(self):
        self.assertEqual(release_zip.entry_time(0), (1980, 1, 1, 0, 0, 0))


if __name__ == "__main__":
    unittest.main()
