#!/usr/bin/env python3
"""ortholux-thumbnailer as a file manager runs it: OUTPUT complete or untouched, exit status
and one line on standard error, URIs, SIZE."""
import os
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e",
                                "harness"))
import thumbimage  # noqa: E402
from test_preview_cli import drawing  # noqa: E402

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
from harness.drawings import diagonals_png, dxf_with_thumbnail, thumbnail  # noqa: E402
from harness.drawings import with_thumbnail, without_thumbnail  # noqa: E402
from harness.drawings import drawing as bmp_drawing  # noqa: E402
from harness.screen import encode_png  # noqa: E402

FIXTURE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..", "shared",
                       "fixtures", "dwg", "example_2013.dwg")
DXF_FIXTURES = os.path.join(os.path.dirname(FIXTURE), "..", "dxf")
GROUND = (33, 40, 48)  # of drawn pictures


def dxf_fixtures():
    """Every real DXF drawing, entities-2007/ included; [] without the fixtures."""
    found = []
    for folder, _, names in os.walk(DXF_FIXTURES):
        found += [os.path.join(folder, n) for n in sorted(names) if n.endswith(".dxf")]
    return sorted(found)


def border_ground(png):
    """The most common colour of a picture's outer rows and columns."""
    w, h = png.width, png.height
    edge = [(x, y) for x in range(w) for y in (0, h - 1)] + \
           [(x, y) for y in range(h) for x in (0, w - 1)]
    colours = [png.pixel(x, y)[:3] for x, y in edge]
    return max(set(colours), key=colours.count)


def large_drawings():
    """A real drawing with the largest PNG thumbnail a CAD program stores (2560 x 2560), and
    drawings whose PNG or BMP is 4097 pixels wide; None without the fixtures."""
    if not os.path.isfile(FIXTURE):
        return None
    with open(FIXTURE, "rb") as f:
        real = f.read()
    return {"2560": with_thumbnail(real, diagonals_png(2560)),
            "png4097": with_thumbnail(real, encode_png(4097, 1, bytes(4097 * 3))),
            "bmp4097": bmp_drawing(thumb=thumbnail(4097, 1))}

TOOL = PREVIEW = None
# 40 x 20, 8 bits, every pixel index 0 (rows the thumbnail lacks read as 0): black in the
# drawing, white after the exchange.
WIDE = drawing(width=40, height=20)


class Thumbnailer(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.dir = self.tmp.name

    def tearDown(self):
        self.tmp.cleanup()

    def write(self, name, data):
        path = os.path.join(self.dir, name)
        with open(path, "wb") as f:
            f.write(data)
        return path

    def run_tool(self, *args):
        return subprocess.run([TOOL, *args], capture_output=True,
                              env=dict(os.environ, LANG="C.UTF-8", LC_ALL="C.UTF-8"))

    def test_scaled_png_from_a_uri_and_nothing_else_left_beside_it(self):
        src = self.write("a b.dwg", WIDE)
        out = os.path.join(self.dir, "out", "t.png")
        os.mkdir(os.path.dirname(out))
        r = self.run_tool("-s", "10", "file://" + src.replace(" ", "%20"), out)
        self.assertEqual((r.returncode, r.stderr), (0, b""))
        with open(out, "rb") as f:
            png = thumbimage.decode(f.read())
        self.assertEqual((png.width, png.height), (10, 5))
        self.assertEqual(png.colours(), {(255, 255, 255)})
        self.assertEqual(os.listdir(os.path.dirname(out)), ["t.png"])
        r = self.run_tool(src, out)  # default 256: never enlarged
        with open(out, "rb") as f:
            self.assertEqual(thumbimage.decode(f.read()).width, 40)

    def test_failures_leave_output_untouched_with_one_line_why(self):
        out = self.write("keep.png", b"earlier thumbnail")
        # The drawing's bytes and name reach the line escaped: control bytes and "\\" as \xHH.
        cases = [(self.write("old.dwg", drawing(code=b"1009")), 3, b"release 1009 carries"),
                 (self.write("cut.dwg", WIDE[:200]), 1, b"cut.dwg: "),
                 (os.path.join(self.dir, "missing.dwg"), 1, b"missing.dwg: "),
                 ("http://example.com/a.dwg", 1, b"http://example.com/a.dwg: "),
                 (self.write("two\nlines.dwg", drawing(code=b"1\n\x1b\\")), 3,
                  b"two\\x0Alines.dwg: release 1\\x0A\\x1B\\x5C carries"),
                 (self.write("esc.dwg", drawing(code=b"2\x1b[J", entries=3)), 3,
                  b"release 2\\x1B[J holds"),
                 (os.path.join(self.dir, "gone\x1b[2J.dwg"), 1, b"gone\\x1B[2J.dwg \xe3")]
        for src, status, shown in cases:
            with self.subTest(src=src):
                r = self.run_tool(src, out)
                self.assertEqual(r.returncode, status)
                self.assertEqual(r.stderr.count(b"\n"), 1, r.stderr)
                self.assertNotIn(b"\x1b", r.stderr)
                self.assertIn(shown, r.stderr)
                self.assertTrue(r.stderr.startswith(b"ortholux-thumbnailer: "), r.stderr)
                with open(out, "rb") as f:
                    self.assertEqual(f.read(), b"earlier thumbnail")
        self.assertEqual(sorted(os.listdir(self.dir)),
                         ["cut.dwg", "esc.dwg", "keep.png", "old.dwg", "two\nlines.dwg"])

    def test_every_stored_size_and_no_side_above_4096(self):
        drawings = large_drawings()
        if drawings is None:
            self.skipTest(f"{FIXTURE} is absent")
        out = os.path.join(self.dir, "t.png")
        r = self.run_tool("-s", "256", self.write("large.dwg", drawings["2560"]), out)
        self.assertEqual((r.returncode, r.stderr), (0, b""))
        with open(out, "rb") as f:
            png = thumbimage.decode(f.read())
        self.assertEqual((png.width, png.height), (256, 256))
        # Each output pixel averages 10 x 10: the main diagonal's 10 black pixels of 100 make
        # it grey all along, the ground beside it stays white.
        self.assertEqual({png.pixel(k, k)[:3] for k in range(256)}, {(230, 230, 230)})
        self.assertEqual(png.pixel(128, 3)[:3], (255, 255, 255))
        for kind in ("png4097", "bmp4097"):
            with self.subTest(kind=kind):
                r = self.run_tool(self.write(kind + ".dwg", drawings[kind]), out)
                self.assertEqual(r.returncode, 1)
                self.assertEqual(r.stderr.count(b"\n"), 1, r.stderr)

    def test_dxf_drawings_drawn_at_size_as_the_preview_tool_draws_them(self):
        drawings = dxf_fixtures()
        if not drawings:
            self.skipTest(f"{DXF_FIXTURES} is absent")
        out = os.path.join(self.dir, "t.png")
        drawn = 0
        for path in drawings:
            with self.subTest(os.path.relpath(path, DXF_FIXTURES)):
                r = self.run_tool("-s", "64", path, out)
                line = subprocess.run([PREVIEW, path], capture_output=True).stdout
                if r.returncode == 3:
                    self.assertIn(b"has nothing to draw", r.stderr)
                    self.assertTrue(line.startswith(b"Empty "), line)
                    continue
                self.assertEqual((r.returncode, r.stderr), (0, b""))
                self.assertTrue(line.startswith(b"Drawn "), line)
                with open(out, "rb") as f:
                    png = thumbimage.decode(f.read())
                self.assertEqual(max(png.width, png.height), 64)
                if min(png.width, png.height) > 2:  # else all of it is border
                    self.assertEqual(border_ground(png), GROUND)
                reference = os.path.join(self.dir, "draw.png")
                subprocess.run([PREVIEW, "--draw", "-s", "64", path, reference], check=True,
                               capture_output=True)
                with open(reference, "rb") as f:
                    self.assertEqual(png.rgba(), thumbimage.decode(f.read()).rgba())
                if os.path.basename(path).startswith("example_"):
                    drawn += 1
        self.assertEqual(drawn, 9)  # every one of the drawings of a CAD program's example

    def test_dwg_drawings_without_a_thumbnail_drawn_as_the_preview_tool_draws_them(self):
        real = os.path.join(os.path.dirname(FIXTURE), "example_r14.dwg")
        if not os.path.isfile(real):
            self.skipTest(f"{real} is absent")
        with open(real, "rb") as f:
            data = f.read()
        out, reference = os.path.join(self.dir, "t.png"), os.path.join(self.dir, "d.png")
        # No bitmap listed, and a bitmap listed that could never decode (length 0).
        zero = bytearray(data)
        directory = int.from_bytes(data[13:17], "little")
        zero[directory + 35:directory + 39] = bytes(4)
        for name, drawn in (("bare.dwg", without_thumbnail(data)), ("zero.dwg", bytes(zero))):
            with self.subTest(name):
                src = self.write(name, drawn)
                r = self.run_tool("-s", "100", src, out)
                self.assertEqual((r.returncode, r.stderr), (0, b""))
                subprocess.run([PREVIEW, "--draw", "-s", "100", src, reference], check=True,
                               capture_output=True)
                with open(out, "rb") as f, open(reference, "rb") as g:
                    png = thumbimage.decode(f.read())
                    self.assertEqual(png.rgba(), thumbimage.decode(g.read()).rgba())
                self.assertEqual((png.width, png.height), (100, 67))
        # Past the limit a DWG drawing is not drawn, and says what it lacks.
        r = subprocess.run([TOOL, self.write("bare.dwg", without_thumbnail(data)), out],
                           capture_output=True,
                           env=dict(os.environ, ORTHOLUX_DXF_LIMIT_MB="0"))
        self.assertEqual(r.returncode, 3)
        self.assertIn(b"holds no bitmap", r.stderr)

    def test_a_dxf_drawings_stored_picture_as_a_dwg_drawings(self):
        example = os.path.join(DXF_FIXTURES, "example_2000.dxf")
        if not os.path.isfile(example):
            self.skipTest(f"{example} is absent")
        dib = thumbnail(40, 20)
        with open(example, "rb") as f:
            dxf = self.write("stored.dxf", dxf_with_thumbnail(f.read(), dib))
        dwg = self.write("stored.dwg", bmp_drawing(thumb=dib))
        pictures = []
        for src in (dxf, dwg):
            out = os.path.join(self.dir, os.path.basename(src) + ".png")
            r = self.run_tool("-s", "30", src, out)
            self.assertEqual((r.returncode, r.stderr), (0, b""))
            with open(out, "rb") as f:
                pictures.append(thumbimage.decode(f.read()))
        self.assertEqual((pictures[0].width, pictures[0].height), (30, 15))
        self.assertEqual(pictures[0].rgba(), pictures[1].rgba())

    def test_dxf_drawings_past_the_limit_are_not_read(self):
        example = os.path.join(DXF_FIXTURES, "example_2000.dxf")
        if not os.path.isfile(example):
            self.skipTest(f"{example} is absent")
        with open(example, "rb") as f:
            data = f.read()
        # Bytes after its EOF make the drawing just over 2 MiB; a DWG drawing is never held
        # back.
        padded = self.write("big.dxf", data + b"\r\n" * ((2**21 - len(data)) // 2 + 1))
        small, dwg = self.write("small.dxf", data), self.write("a.dwg", WIDE)
        out = os.path.join(self.dir, "t.png")
        rows = [({}, padded, 3, b"larger than 64 MiB"),  # the default: drawn
                ({"ORTHOLUX_DXF_LIMIT_MB": "2"}, padded, 3, b"larger than 2 MiB"),
                ({"ORTHOLUX_DXF_LIMIT_MB": "2"}, small, 0, b""),
                ({"ORTHOLUX_DXF_LIMIT_MB": "0"}, small, 3, b"larger than 0 MiB"),
                ({"ORTHOLUX_DXF_LIMIT_MB": "0"}, dwg, 0, b""),
                ({"ORTHOLUX_DXF_LIMIT_MB": "1x"}, small, 2, b"ORTHOLUX_DXF_LIMIT_MB=1x is no"),
                ({"ORTHOLUX_DXF_LIMIT_MB": ""}, small, 2, b"ORTHOLUX_DXF_LIMIT_MB= is no")]
        for env, src, status, shown in rows:
            with self.subTest(env=env, src=os.path.basename(src)):
                if os.path.exists(out):
                    os.remove(out)
                r = subprocess.run([TOOL, src, out], capture_output=True,
                                   env=dict(os.environ, LANG="C.UTF-8", **env))
                if not env:  # drawn: the limit is far off
                    self.assertEqual((r.returncode, r.stderr), (0, b""))
                    continue
                self.assertEqual(r.returncode, status, r.stderr)
                self.assertIn(shown, r.stderr)
                self.assertEqual(os.path.exists(out), status == 0)

    def test_unwritable_output_fails(self):
        src = self.write("a.dwg", WIDE)
        r = self.run_tool(src, os.path.join(self.dir, "no-such-folder", "t.png"))
        self.assertEqual(r.returncode, 1)
        self.assertIn(b"no-such-folder", r.stderr)

    def test_usage(self):
        src = self.write("a.dwg", WIDE)
        for args in ([], [src], ["-s", "0", src, "o.png"], ["-s", "x", src, "o.png"],
                     ["-s", "5000", src, "o.png"], [src, "o.png", "extra"]):
            with self.subTest(args=args):
                self.assertEqual(self.run_tool(*args).returncode, 2)


if __name__ == "__main__":
    TOOL = sys.argv.pop(1)
    PREVIEW = os.path.join(os.path.dirname(TOOL), "ortholux-preview")
    unittest.main()
