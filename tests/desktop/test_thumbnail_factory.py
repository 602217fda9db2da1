"""The installed thumbnailer as the file manager uses it: GNOME's thumbnail factory (the
library Nautilus uses) thumbnails every real drawing at two sizes; its cached PNG must have
the fitted size and the pixels of the core's own image averaged down; drawings with nothing
to show and damaged ones must end in the factory's failure cache."""
import csv
import hashlib
import json
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest
import urllib.parse

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.path.insert(0, os.path.join(HERE, "..", "e2e", "harness"))
import thumbimage  # noqa: E402
from installed_package import InstalledPackage, find_deb  # noqa: E402

FIXTURES = os.environ.get("ORTHOLUX_FIXTURES",
                          os.path.join(HERE, "..", "..", "..", "shared", "fixtures", "dwg"))
SYSTEM_PYTHON = "/usr/bin/python3"  # the one with gi; another python3 may come first on PATH
CACHE_FOLDERS = {128: "normal", 256: "large", 512: "x-large", 1024: "xx-large"}
# Names the file manager may hand over: spaces and non-ASCII (escaped in the URI), a name
# that is not UTF-8, an upper-case extension, a drawing template (the same format).
RENAMED = {"example_2000.dwg": "図面 example 2000.dwg",
           "example_r14.dwg": b"\x90}\x96\xca-r14.dwg",
           "example_2007.dwg": "EXAMPLE_2007.DWG",
           "r2004_material.dwg": "r2004_material.dwt"}
TEMPLATE_MIME = "image/x-dwt"  # the package's own type: shared-mime-info has none


def expected_rows():
    with open(os.path.join(FIXTURES, "expected.tsv"), newline="") as f:
        return list(csv.DictReader(f, delimiter="\t"))


def fitted(width, height, limit):
    longer, shorter = max(width, height), min(width, height)
    if longer <= limit:
        return width, height
    short = max(1, (shorter * limit * 2 + longer) // (2 * longer))
    return (limit, short) if width >= height else (short, limit)


def text_chunks(png):
    chunks, pos = {}, 8
    while pos < len(png):
        length, kind = struct.unpack_from(">I4s", png, pos)
        if kind == b"tEXt":
            key, _, value = png[pos + 8:pos + 8 + length].partition(b"\0")
            chunks[key.decode()] = value.decode("latin-1")
        pos += 12 + length
    return chunks


def footprint(out_pos, out_len, in_len):
    """Source pixels [begin, end) that output pixel out_pos covers."""
    return out_pos * in_len // out_len, -(-(out_pos + 1) * in_len // out_len)


class FactoryRun:
    """A fresh home for the factory: cache, data and config folders of a temporary folder."""

    def __init__(self, root):
        self.root = root
        self.cache = os.path.join(root, "cache")
        self.env = dict(os.environ, XDG_CACHE_HOME=self.cache,
                        XDG_DATA_HOME=os.path.join(root, "data"),
                        XDG_CONFIG_HOME=os.path.join(root, "config"),
                        XDG_DATA_DIRS="/usr/share", GSETTINGS_BACKEND="memory")

    def thumbnail(self, size, paths):
        uris = ["file://" + urllib.parse.quote(os.fsencode(p)) for p in paths]
        result = subprocess.run([SYSTEM_PYTHON, os.path.join(HERE, "factory_worker.py"),
                                 str(size), *uris],
                                capture_output=True, text=True, env=self.env, timeout=300)
        if result.returncode != 0:
            raise AssertionError(f"factory worker failed:\n{result.stderr}")
        return [json.loads(line) for line in result.stdout.splitlines()]


@unittest.skipUnless(os.path.isdir(FIXTURES), "no real drawings beside the repository")
class ThumbnailFactory(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        if os.path.exists("/usr/local/bin/ortholux-thumbnailer"):
            raise RuntimeError("/usr/local/bin/ortholux-thumbnailer would be run in place of "
                               "the package's: remove that installation first")
        cls.package = InstalledPackage(find_deb())
        cls.package.install()
        cls.addClassCleanup(cls.package.remove)
        cls.rows = expected_rows()

    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="ortholux-factory-")
        self.addCleanup(shutil.rmtree, self.dir)
        self.run_ = FactoryRun(self.dir)
        self.drawings = os.path.join(self.dir, "drawings")
        os.mkdir(self.drawings)

    def copy(self, name, data=None):
        target = os.path.join(os.fsencode(self.drawings), os.fsencode(RENAMED.get(name, name)))
        if data is None:
            shutil.copyfile(os.path.join(FIXTURES, name), target)
        else:
            with open(target, "wb") as f:
                f.write(data)
        return os.fsdecode(target)

    def drawn(self, name):
        line = subprocess.run(["/usr/bin/ortholux-preview", os.path.join(FIXTURES, name)],
                              capture_output=True).stdout
        return line.startswith(b"Drawn ")

    def core_image(self, path):
        out = os.path.join(self.dir, "core-image")
        subprocess.run(["/usr/bin/ortholux-preview", path, out], check=True,
                       capture_output=True)
        with open(out, "rb") as f:
            return thumbimage.decode(f.read())

    def check_pixels(self, name, thumb, source):
        """Every third pixel lies within the colours of the source area it covers: a flip,
        a channel swap or black and white the wrong way round falls outside."""
        checked = 0
        for oy in range(0, thumb.height, 3):
            y0, y1 = footprint(oy, thumb.height, source.height)
            for ox in range(0, thumb.width, 3):
                x0, x1 = footprint(ox, thumb.width, source.width)
                area = [source.pixel(x, y) for y in range(y0, y1) for x in range(x0, x1)]
                got = thumb.pixel(ox, oy)
                for c in range(3):
                    low, high = min(p[c] for p in area), max(p[c] for p in area)
                    if not low <= got[c] <= high:
                        self.fail(f"{name}: pixel ({ox},{oy}) = {got}, source area "
                                  f"x {x0}-{x1} y {y0}-{y1} spans {low}-{high} in channel {c}")
                checked += 1
        self.assertGreater(checked, 100, name)

    def test_every_real_drawing_at_two_sizes(self):
        ready = [r for r in self.rows if r["outcome"] == "Ready"]
        self.assertGreaterEqual(len(ready), 6)
        paths = [self.copy(r["file"]) for r in ready]
        for size in (128, 512):
            results = self.run_.thumbnail(size, paths)
            self.assertEqual(len(results), len(paths))
            for row, path, result in zip(ready, paths, results):
                with self.subTest(drawing=row["file"], size=size):
                    template = str(RENAMED.get(row["file"], "")).endswith(".dwt")
                    self.assertEqual(result["mime"],
                                     TEMPLATE_MIME if template else "image/vnd.dwg")
                    self.assertTrue(result["can"], result)
                    self.assertIsNone(result["error"], result)
                    uri = result["uri"]
                    cached = os.path.join(self.run_.cache, "thumbnails", CACHE_FOLDERS[size],
                                          hashlib.md5(uri.encode()).hexdigest() + ".png")
                    self.assertEqual(result["thumbnail"], cached)
                    with open(cached, "rb") as f:
                        data = f.read()
                    chunks = text_chunks(data)
                    self.assertEqual(chunks.get("Thumb::URI"), uri)
                    self.assertEqual(chunks.get("Thumb::MTime"), str(int(os.stat(path).st_mtime)))
                    thumb = thumbimage.decode(data)
                    width, height = map(int, row["thumbnail_size"].split("x"))
                    self.assertEqual((thumb.width, thumb.height), fitted(width, height, size))
                    self.check_pixels(row["file"], thumb, self.core_image(path))

    def test_dxf_drawings_drawn_at_the_factorys_size(self):
        folder = os.path.join(FIXTURES, "..", "dxf")
        names = ["example_2000.dxf", "binary_r2000.dxf"]
        if not all(os.path.isfile(os.path.join(folder, n)) for n in names):
            self.skipTest(f"{folder} lacks {names}")
        paths = []
        for name in names:
            with open(os.path.join(folder, name), "rb") as f:
                paths.append(self.copy(name.upper(), f.read()))
        for path, result in zip(paths, self.run_.thumbnail(256, paths)):
            with self.subTest(drawing=os.path.basename(path)):
                self.assertEqual(result["mime"], "image/vnd.dxf")
                self.assertTrue(result["can"], result)
                self.assertIsNone(result["error"], result)
                with open(result["thumbnail"], "rb") as f:
                    thumb = thumbimage.decode(f.read())
                self.assertEqual(max(thumb.width, thumb.height), 256)
                border = [thumb.pixel(x, y)[:3] for x in range(thumb.width)
                          for y in (0, thumb.height - 1)]
                self.assertEqual(max(set(border), key=border.count), (33, 40, 48))  # drawn

    def test_nothing_to_show_and_damaged_drawings_end_in_the_failure_cache(self):
        # Drawings without a thumbnail whose objects the tools read are drawn instead.
        empty = [r["file"] for r in self.rows if r["outcome"] in ("BelowRange", "NoBitmap")
                 and not self.drawn(r["file"])]
        broken = [r["file"] for r in self.rows if r["outcome"] == "Error"]
        self.assertTrue(empty and broken)
        paths = [self.copy(name) for name in empty + broken]
        # A drawing with a thumbnail, cut off in the middle of its image.
        with open(os.path.join(FIXTURES, "example_2004.dwg"), "rb") as f:
            whole = f.read()
        image_at = whole.find(struct.pack("<Iii", 40, 216, 140))
        self.assertGreater(image_at, 0)
        paths.append(self.copy("cut_2004.dwg", whole[:image_at + 15000]))
        for result in self.run_.thumbnail(256, paths):
            with self.subTest(uri=result["uri"]):
                self.assertTrue(result["can"], result)
                self.assertIsNotNone(result["error"], result)
                self.assertIsNone(result["thumbnail"], result)
                self.assertTrue(result["failed"], result)
                self.assertFalse(result["can_after"], result)
        fail_dir = os.path.join(self.run_.cache, "thumbnails", "fail", "gnome-thumbnail-factory")
        self.assertEqual(len(os.listdir(fail_dir)), len(paths))
        self.assertFalse(os.path.exists(os.path.join(self.run_.cache, "thumbnails", "large")))


if __name__ == "__main__":
    unittest.main()
