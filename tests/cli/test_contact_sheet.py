#!/usr/bin/env python3
"""ortholux-preview --contact-sheet, with the page opened in Debian's headless Chromium:
every tile's picture loaded at the thumbnailer's size, its path, release and outcome shown,
its link leading to the drawing's bytes; names that need escaping; the real drawings.

    test_contact_sheet.py PREVIEW THUMBNAILER SCREENSHOT_FOLDER
"""
import csv
import os
import shutil
import subprocess
import sys
import tempfile
import unittest
import urllib.parse
from pathlib import Path

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e",
                                "harness"))
import thumbimage  # noqa: E402
from test_preview_batch import as_nobody_if_root, lock_folder  # noqa: E402
from test_preview_cli import drawing  # noqa: E402

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
from harness.drawings import dxf_with_thumbnail, thumbnail, without_thumbnail  # noqa: E402

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..",
                                "tools"))
import make_sample_drawing  # noqa: E402

REPO = Path(__file__).resolve().parents[2]
FIXTURES = REPO.parent / "shared" / "fixtures" / "dwg"
DXF_FIXTURES = REPO.parent / "shared" / "fixtures" / "dxf"
TOOL = THUMBNAILER = ARTEFACTS = None
RELEASES = {"1012": "R13", "1014": "R14", "1015": "R2000", "1018": "R2004", "1021": "R2007",
            "1027": "R2013"}  # those of the real drawings


def sample_drawing():
    """The floor plan of tools/make_sample_drawing.py: release 1015, 200x140."""
    return make_sample_drawing.drawing()


def start_browser():
    try:
        from selenium import webdriver
        from selenium.webdriver.chrome.service import Service
    except ImportError:
        raise RuntimeError("python3-selenium is not installed: run scripts/deps.sh")
    if not shutil.which("chromedriver") or not shutil.which("chromium"):
        raise RuntimeError("chromium and chromium-driver are not installed: run scripts/deps.sh")
    options = webdriver.ChromeOptions()
    options.binary_location = shutil.which("chromium")
    for arg in ("--headless=new", "--no-sandbox", "--disable-gpu", "--disable-dev-shm-usage",
                "--window-size=1100,1400", "--hide-scrollbars"):
        options.add_argument(arg)
    return webdriver.Chrome(service=Service(shutil.which("chromedriver")), options=options)


# Every tile as the browser has it, once each picture has been scrolled to and has loaded.
TILES_SCRIPT = """
const done = arguments[arguments.length - 1];
const images = [...document.querySelectorAll('img')];
let next = 0;
// A lazy picture starts loading once it comes near the view: one at a time, each scrolled to.
const settle = () => {
  while (next < images.length && images[next].complete) ++next;
  if (next === images.length) return finish();
  images[next].scrollIntoView();
  setTimeout(settle, 20);
};
const finish = () => { window.scrollTo(0, 0); done([...document.querySelectorAll('section')]
  .map(s => ({heading: s.querySelector('h2') ? s.querySelector('h2').textContent : null,
    tiles: [...s.querySelectorAll('figure')].map(f => {
      const img = f.querySelector('img');
      const text = c => f.querySelector(c) ? f.querySelector(c).textContent : null;
      return {state: f.className, path: text('.path'), release: text('.release'),
              source: text('.source'), outcome: text('.outcome'),
              href: f.querySelector('.path').href,
              image: img && [img.naturalWidth, img.naturalHeight, img.width, img.height,
                             img.getAttribute('src')]};
    })})));
};
settle();
"""


class ContactSheet(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.browser = start_browser()
        cls.browser.set_script_timeout(60)

    @classmethod
    def tearDownClass(cls):
        cls.browser.quit()

    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.dir = Path(self.tmp.name)

    def tearDown(self):
        self.tmp.cleanup()

    def write(self, name, data):
        path = os.path.join(os.fsencode(self.dir / "drawings"), name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)
        return path

    def make_sheet(self, *args, status, **kwargs):
        sheet = self.dir / "sheet"
        env = dict(os.environ, LANG="C.UTF-8", LC_ALL="C.UTF-8")
        r = subprocess.run([TOOL, "--contact-sheet", sheet, *args], capture_output=True, env=env,
                           **kwargs)
        self.assertEqual(r.returncode, status, r.stderr)
        self.assertEqual(r.stdout, b"")
        return sheet, r.stderr

    def open_sheet(self, sheet, screenshot):
        self.browser.get((sheet / "index.html").as_uri())
        sections = self.browser.execute_async_script(TILES_SCRIPT)
        self.browser.save_screenshot(str(Path(ARTEFACTS) / screenshot))
        return sections

    def thumbnailer_png(self, path, size):
        out = self.dir / "expected.png"
        subprocess.run([THUMBNAILER, "-s", str(size), path, out], check=True)
        return out.read_bytes()

    def check_link(self, tile, path):
        url = urllib.parse.urlsplit(tile["href"])
        self.assertEqual(url.scheme, "file")
        self.assertEqual(urllib.parse.unquote_to_bytes(url.path),
                         os.path.abspath(os.fsencode(path)))

    def check_picture(self, sheet, tile, path, size):
        """Loaded, at its own size, with the pixels the thumbnailer writes for that size."""
        natural_w, natural_h, w, h, src = tile["image"]
        self.assertTrue(src.startswith("thumb-") and src.endswith(".png"), src)
        png = thumbimage.Png((sheet / src).read_bytes())
        expected = thumbimage.Png(self.thumbnailer_png(path, size))
        self.assertEqual((natural_w, natural_h), (expected.width, expected.height))
        self.assertEqual(png.rgba(), expected.rgba())
        self.assertEqual((w, h), (natural_w, natural_h))

    def test_names_that_need_escaping_in_natural_order(self):
        plan = sample_drawing()
        names = {
            "plan10.dwg": plan, "plan2.dwg": plan,
            'a "<>&#?% b.dwg': plan,
            "\u56f3\u9762.dwg".encode(): plan,                  # 図面, UTF-8
            b"\x83\x65\x83\x58\x83\x67.dwg": plan,             # テスト, Shift-JIS
            b"caf\xe9.dwg": plan,                               # neither: shown escaped
            "old.dwg": drawing(code=b"1009"), "cut.dwg": drawing()[:-9],
            "sub/plan1.dwg": plan, "sub/deeper/x.dwg": drawing(entries=3),
        }
        paths = {}
        for name, data in names.items():
            raw = name if isinstance(name, bytes) else name.encode()
            paths[raw] = self.write(raw, data)
        sheet, summary = self.make_sheet("-r", "-s", "100", self.dir / "drawings", status=1)
        self.assertEqual(summary, b"ortholux-preview: 10 drawings: 7 ready, "
                                  b"2 nothing to show, 1 failed\n")

        sections = self.open_sheet(sheet, "contact_sheet_names.png")
        folder = str(self.dir / "drawings")
        self.assertEqual([s["heading"] for s in sections],
                         [folder, folder + "/sub", folder + "/sub/deeper"])
        tiles = [t for s in sections for t in s["tiles"]]
        shown = [t["path"] for t in tiles]
        self.assertEqual(shown, ['a "<>&#?% b.dwg', "caf\\xE9.dwg", "cut.dwg", "old.dwg",
                                 "plan2.dwg", "plan10.dwg", "\u30c6\u30b9\u30c8.dwg",
                                 "\u56f3\u9762.dwg", "sub/plan1.dwg", "sub/deeper/x.dwg"])
        raw_names = [b'a "<>&#?% b.dwg', b"caf\xe9.dwg", b"cut.dwg", b"old.dwg", b"plan2.dwg",
                     b"plan10.dwg", b"\x83\x65\x83\x58\x83\x67.dwg", "\u56f3\u9762.dwg".encode(),
                     b"sub/plan1.dwg", b"sub/deeper/x.dwg"]
        for tile, raw in zip(tiles, raw_names):
            with self.subTest(raw):
                self.check_link(tile, paths[raw])
                if tile["state"] == "tile ready":
                    self.check_picture(sheet, tile, paths[raw], 100)
                    self.assertEqual((tile["release"], tile["outcome"]),
                                     ("R2000 (AC1015)", None))
        by_name = dict(zip(shown, tiles))
        self.assertEqual(by_name["old.dwg"]["outcome"], "BelowRange 1009")
        self.assertEqual(by_name["sub/deeper/x.dwg"]["outcome"], "NoBitmap 1015")
        self.assertEqual(by_name["cut.dwg"]["outcome"],
                         "Error \u30b9\u30c8\u30ea\u30fc\u30e0\u304b\u3089\u306e"
                         "\u8aad\u307f\u8fbc\u307f\u30a8\u30e9\u30fc")  # the stream-read error
        self.assertEqual([t["state"] for t in tiles].count("tile ready"), 7)
        # Nothing but the page and the numbered pictures, whatever the drawings are called.
        self.assertEqual(sorted(os.listdir(sheet)),
                         ["index.html"] + [f"thumb-{n:06d}.png" for n in (1, 2, 5, 6, 7, 8, 9)])

    def test_a_later_run_over_fewer_drawings(self):
        """Only the new page's pictures stay; an unreadable folder counts in the summary; a
        release code nobody knows shows as the tools print it."""
        for n in range(3):
            self.write(f"plan{n}.dwg".encode(), sample_drawing())
        os.chmod(self.dir, 0o777)
        run = dict(preexec_fn=as_nobody_if_root)
        sheet, _ = self.make_sheet("--size=64", self.dir / "drawings", status=0, **run)
        self.assertEqual(thumbimage.Png((sheet / "thumb-000003.png").read_bytes()).width, 64)
        for n in (1, 2):
            os.remove(self.dir / "drawings" / f"plan{n}.dwg")
        self.write(b"z.dwg", drawing(code=b"2\n\x1b\\"))
        lock_folder(os.fsencode(self.dir / "drawings" / "locked"))
        others = ["notes.txt", "thumb-1.png"]
        for name in others:
            (sheet / name).write_bytes(b"not ours")
        (sheet / "thumb-000010.png").mkdir()
        sheet, summary = self.make_sheet("-r", self.dir / "drawings", status=1, **run)
        self.assertEqual(summary, b"ortholux-preview: 3 drawings: 2 ready, "
                                  b"0 nothing to show, 1 failed\n")
        self.assertEqual(sorted(os.listdir(sheet)),
                         sorted(["index.html", "thumb-000001.png", "thumb-000002.png",
                                 "thumb-000010.png"] + others))
        sections = self.open_sheet(sheet, "contact_sheet_rerun.png")
        self.assertEqual([(t["path"], t["release"]) for s in sections for t in s["tiles"]],
                         [("plan0.dwg", "R2000 (AC1015)"),
                          ("z.dwg", "unknown (2\\x0A\\x1B\\x5C)"), ("locked", None)])

    def test_real_drawings(self):
        if not (FIXTURES / "expected.tsv").is_file():
            self.skipTest(f"{FIXTURES} is absent")
        with open(FIXTURES / "expected.tsv", encoding="utf-8", newline="") as f:
            expected = {row["file"]: row for row in csv.DictReader(f, delimiter="\t")}
        sheet, _ = self.make_sheet(str(FIXTURES), status=1)
        (section,) = self.open_sheet(sheet, "contact_sheet_fixtures.png")
        self.assertEqual(sorted(t["path"] for t in section["tiles"]), sorted(expected))
        for tile in section["tiles"]:
            row = expected[tile["path"]]
            with self.subTest(tile["path"]):
                self.check_link(tile, FIXTURES / tile["path"])
                if row["outcome"] == "Ready":
                    self.check_picture(sheet, tile, FIXTURES / tile["path"], 256)
                    code = row["release_code"]
                    self.assertEqual(tile["release"], f"{RELEASES[code]} (AC{code})")
                elif row["outcome"] == "Error":
                    self.assertTrue(tile["outcome"].startswith("Error "), tile["outcome"])
                elif row["outcome"] == "NoBitmap" and subprocess.run(
                        [TOOL, FIXTURES / tile["path"]],
                        capture_output=True).stdout.startswith(b"Drawn "):
                    # No thumbnail, but objects the tool reads: drawn from them.
                    self.assertEqual((tile["state"], tile["source"]),
                                     ("tile ready", "drawn from geometry"))
                    self.check_picture(sheet, tile, FIXTURES / tile["path"], 256)
                else:
                    self.assertEqual(tile["outcome"], f"{row['outcome']} {row['release_code']}")

    def test_real_dxf_drawings_drawn_and_one_stored(self):
        if not (DXF_FIXTURES / "example_2000.dxf").is_file():
            self.skipTest(f"{DXF_FIXTURES} is absent")
        stored = self.write(b"stored.dxf", dxf_with_thumbnail(
            (DXF_FIXTURES / "example_2000.dxf").read_bytes(), thumbnail(60, 40)))
        # A DWG drawing without its thumbnail: drawn as the DXF drawings are.
        bare = self.write(b"zbare.dwg", without_thumbnail(
            (DXF_FIXTURES.parent / "dwg" / "example_2000.dwg").read_bytes()))
        lines = [subprocess.run([TOOL, p], capture_output=True).stdout
                 for p in sorted(DXF_FIXTURES.rglob("*.dxf"))]
        empty = any(line.startswith(b"Empty ") for line in lines)
        sheet, _ = self.make_sheet("-r", "-s", "128", str(DXF_FIXTURES), stored, bare,
                                   status=3 if empty else 0)
        sections = self.open_sheet(sheet, "contact_sheet_dxf.png")
        tiles = [t for s in sections for t in s["tiles"]]
        by_path = {t["path"]: t for t in tiles}
        # 13 drawings, 13 in entities-2007, the stored one, the bare DWG
        self.assertEqual(len(tiles), 28)
        bare_tile = tiles.pop()
        self.assertEqual((bare_tile["state"], bare_tile["release"], bare_tile["source"]),
                         ("tile ready", "R2000 (AC1015)", "drawn from geometry"))
        self.check_picture(sheet, bare_tile, bare, 128)
        for tile in tiles[:-1]:
            path = DXF_FIXTURES / tile["path"]
            with self.subTest(tile["path"]):
                line = subprocess.run([TOOL, path], capture_output=True).stdout.split()
                self.assertEqual(tile["release"].split(" (AC")[1], line[1].decode() + ")")
                if line[0] == b"Empty":
                    self.assertEqual((tile["state"], tile["outcome"], tile["source"]),
                                     ("tile nothing", " ".join(map(bytes.decode, line)), None))
                    continue
                self.assertEqual((tile["state"], tile["source"]),
                                 ("tile ready", "drawn from geometry"))
                self.check_picture(sheet, tile, path, 128)
        self.assertEqual(by_path["example_2000.dxf"]["release"], "R2000 (AC1015)")
        self.assertEqual(by_path["example_r12.dxf"]["release"], "R11/R12 (AC1009)")
        last = tiles[-1]
        self.assertEqual((last["state"], last["release"], last["source"]),
                         ("tile ready", "R2000 (AC1015)", None))
        self.check_picture(sheet, last, stored, 128)

    def test_wrong_usage(self):
        for args in (["-s", "0", "x.dwg"], ["--output-dir", "o", "x.dwg"], ["--png", "x.dwg"]):
            r = subprocess.run([TOOL, "--contact-sheet", self.dir / "s", *args],
                               capture_output=True)
            self.assertEqual(r.returncode, 2, args)
        r = subprocess.run([TOOL, "-s", "64", self.dir], capture_output=True)
        self.assertIn(b"-s needs --contact-sheet", r.stderr)
        # Its own messages escape a path as the tool's lines do.
        (self.dir / "file").write_bytes(b"")
        r = subprocess.run([TOOL, "--contact-sheet", self.dir / "file" / "a\nb", self.dir],
                           capture_output=True)
        self.assertEqual((r.returncode, r.stderr.count(b"\n")), (1, 1), r.stderr)
        self.assertIn(b"file/a\\x0Ab: Not a directory", r.stderr)


if __name__ == "__main__":
    TOOL, THUMBNAILER, ARTEFACTS = sys.argv[1:4]
    os.makedirs(ARTEFACTS, exist_ok=True)
    unittest.main(argv=sys.argv[:1] + sys.argv[4:], verbosity=2)
