#!/usr/bin/env python3
"""The ortholux-preview tool as a user runs it: output line, exit status, written image."""
import os
import struct
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
from harness import thumbimage  # noqa: E402
from harness.drawings import without_thumbnail  # noqa: E402

TOOL = None
FIXTURES = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..", "shared",
                        "fixtures")
# The DWG drawings the object reader reads, with their DXF twins where there is one.
DWG_TWINS = [("dwg/example_r13.dwg", "dxf/example_r13.dxf"),
             ("dwg/example_r14.dwg", "dxf/example_r14.dxf"),
             ("dwg/example_2000.dwg", "dxf/example_2000.dxf"),
             ("dwg/example_2004.dwg", "dxf/example_2004.dxf"),
             ("dwg/example_2007.dwg", "dxf/example_2007.dxf"),
             ("dwg/r2004_material.dwg", None),
             ("dwg-more/example_2010.dwg", "dxf/example_2010.dxf"),
             ("dwg/example_2013.dwg", "dxf/example_2013.dxf"),
             # Saved from a wider window than its twin: the views share their height and
             # lower-left corner, so the two frame alike where the height decides.
             ("dwg-more/example_2018.dwg", "dxf/example_2018.dxf", "852x448"),
             ("dwg-more/entities-2000/entities-2d.dwg", None)]


def drawing(code=b"1015", entries=2, bits=8, width=3, height=2, table=(0, 0xFFFFFF)):
    """A minimal drawing: release code, directory at 0x40, 8-bit thumbnail at 0x100."""
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0, 0, 0, 0, len(table), 0)
    thumb = info + b"".join(struct.pack("<I", c) for c in table) + bytes(8)
    head = bytearray(0x100)
    head[0:2] = b"AC"
    head[2:6] = code.ljust(4, b"\0")
    head[13:17] = struct.pack("<I", 0x40)
    head[0x40 + 20] = entries
    head[0x40 + 31:0x40 + 39] = struct.pack("<II", 0x100, len(thumb))
    return bytes(head) + thumb


def dxf(entities="", thumbnail=b""):
    """A DXF drawing of release 1015: the given ENTITIES pairs, and a stored DIB if given."""
    text = ("0\nSECTION\n2\nHEADER\n9\n$ACADVER\n1\nAC1015\n0\nENDSEC\n"
            "0\nSECTION\n2\nENTITIES\n" + entities + "0\nENDSEC\n")
    if thumbnail:
        text += "0\nSECTION\n2\nTHUMBNAILIMAGE\n90\n%d\n310\n%s\n0\nENDSEC\n" % (
            len(thumbnail), thumbnail.hex().upper())
    return (text + "0\nEOF\n").encode()


LINE = "0\nLINE\n8\n0\n62\n1\n10\n0\n20\n0\n11\n4\n21\n1\n"


def ink_agreement(a, b):
    """F of two pictures' ink at a tolerance of one pixel: ink differs from the picture's
    most common border colour by more than 48 in a channel; a pixel of one counts when the
    other has ink in the 3 x 3 square around it."""
    def ink(picture):
        w, h = picture.width, picture.height
        rgb = [picture.pixel(x, y)[:3] for y in range(h) for x in range(w)]
        border = [rgb[y * w + x] for x in range(w) for y in (0, h - 1)] + \
                 [rgb[y * w + x] for y in range(h) for x in (0, w - 1)]
        ground = max(set(border), key=border.count)
        return {(i % w, i // w) for i, p in enumerate(rgb)
                if max(abs(c - g) for c, g in zip(p, ground)) > 48}

    def share(mine, theirs):
        near = sum(1 for x, y in mine
                   if any((x + dx, y + dy) in theirs for dx in (-1, 0, 1) for dy in (-1, 0, 1)))
        return near / len(mine)

    ours, reference = ink(a), ink(b)
    if not ours or not reference:
        return 0.0
    precision, recall = share(ours, reference), share(reference, ours)
    return 2 * precision * recall / (precision + recall) if precision + recall else 0.0


def png_size(data):
    assert data[:8] == b"\x89PNG\r\n\x1a\n"
    return struct.unpack(">II", data[16:24])


class PreviewTool(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()

    def tearDown(self):
        self.dir.cleanup()

    def write(self, name, data):
        path = os.path.join(self.dir.name, name)
        with open(path, "wb") as f:
            f.write(data)
        return path

    def run_tool(self, *args):
        env = dict(os.environ, LANG="C.UTF-8", LC_ALL="C.UTF-8")
        return subprocess.run([TOOL, *args], capture_output=True, env=env)

    def test_ready_prints_size_and_writes_the_rebuilt_image(self):
        src = self.write("a.dwg", drawing())
        out = os.path.join(self.dir.name, "a.bmp")
        r = self.run_tool(src, out)
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual(r.stdout, b"Ready 1015 3x2 bmp\n")
        with open(out, "rb") as f:
            image = f.read()
        self.assertEqual(image[:2], b"BM")
        self.assertEqual(struct.unpack_from("<I", image, 10)[0], 54 + 4 * 2)
        # black and white exchanged
        self.assertEqual(struct.unpack_from("<II", image, 54), (0xFFFFFF, 0))

    def test_one_line_whatever_the_release_code_holds(self):
        # A drawing's bytes never reach the terminal raw: control bytes and "\\" as \xHH.
        rows = [(drawing(code=b"1009"), 3, b"BelowRange 1009\n"),
                (drawing(entries=3), 3, b"NoBitmap 1015\n"),
                (drawing(code=b"2\n\x1b\\"), 0, b"Ready 2\\x0A\\x1B\\x5C 3x2 bmp\n"),
                (drawing(code=b"1\r\n\x7f"), 3, b"BelowRange 1\\x0D\\x0A\\x7F\n"),
                (drawing(code=b"\xe5\x9b\xb3"), 0, "Ready \u56f3 3x2 bmp\n".encode())]
        for data, status, line in rows:
            with self.subTest(line=line):
                r = self.run_tool(self.write("a.dwg", data))
                self.assertEqual((r.returncode, r.stdout), (status, line))

    def test_errors_are_converted_to_the_terminal_encoding(self):
        missing = os.path.join(self.dir.name, "図面.dwg")
        r = self.run_tool(missing)
        self.assertEqual(r.returncode, 1)
        self.assertEqual(r.stderr.decode("utf-8"), "ファイル %s は開けません\n" % missing)
        r = self.run_tool(os.path.join(self.dir.name, "two\nlines\x1b\\.dwg"))
        self.assertEqual(r.stderr.decode("utf-8"), "ファイル %s は開けません\n" % os.path.join(
            self.dir.name, "two\\x0Alines\\x1B\\x5C.dwg"))
        r = self.run_tool(self.write("cut.dwg", drawing()[:-9]))
        self.assertEqual(r.returncode, 1)
        self.assertEqual(r.stderr.decode("utf-8"), "ストリームからの読み込みエラー\n")

    def test_a_pipe_named_like_a_drawing_fails_at_once(self):
        pipe = os.path.join(self.dir.name, "x.dwg")
        os.mkfifo(pipe)
        env = dict(os.environ, LANG="C.UTF-8", LC_ALL="C.UTF-8")
        r = subprocess.run([TOOL, pipe], capture_output=True, env=env, timeout=10)
        self.assertEqual(r.returncode, 1)
        self.assertEqual(r.stderr.decode("utf-8"), "ファイル %s は開けません\n" % pipe)

    def test_dxf_drawn_stored_or_empty(self):
        dib = drawing()[0x100:]
        rows = [(dxf(LINE), 0, b"Drawn 1015 256x64 png\n"),
                (dxf(LINE, dib), 0, b"Ready 1015 3x2 bmp\n"),
                (dxf(), 3, b"Empty 1015\n")]
        for data, status, line in rows:
            with self.subTest(line=line):
                out = os.path.join(self.dir.name, "out")
                r = self.run_tool(self.write("a.dxf", data), out)
                self.assertEqual((r.returncode, r.stdout), (status, line), r.stderr)
                if status == 0:
                    with open(out, "rb") as f:
                        image = f.read()
                    if line.endswith(b"png\n"):
                        self.assertEqual(png_size(image), (256, 64))
                    else:  # as a DWG's thumbnail: behind a file header, black and white exchanged
                        self.assertEqual(image[:2], b"BM")
                        self.assertEqual(struct.unpack_from("<II", image, 54), (0xFFFFFF, 0))

    def test_draw_sizes_and_a_stored_picture_ignored(self):
        plain = self.write("plain.dxf", dxf(LINE))
        stored = self.write("stored.dxf", dxf(LINE, drawing()[0x100:]))
        out = os.path.join(self.dir.name, "o.png")
        for args, line, size in [((), b"Drawn 1015 256x64 png\n", (256, 64)),
                                 (("-s", "100"), b"Drawn 1015 100x25 png\n", (100, 25)),
                                 (("-s", "64x48"), b"Drawn 1015 64x48 png\n", (64, 48))]:
            pictures = []
            for src in (plain, stored):
                r = self.run_tool("--draw", *args, src, out)
                self.assertEqual((r.returncode, r.stdout), (0, line), r.stderr)
                with open(out, "rb") as f:
                    pictures.append(f.read())
                self.assertEqual(png_size(pictures[-1]), size)
            self.assertEqual(pictures[0], pictures[1])
        for args in (("-s", "0", plain, out), ("-s", "9x", plain, out), ("-s", plain, out),
                     (plain,)):
            with self.subTest(args=args):
                r = self.run_tool("--draw", *args)
                self.assertEqual(r.returncode, 2)
                self.assertIn(b"usage:", r.stderr)
        r = self.run_tool("--draw", self.write("a.dwg", drawing(code=b"1009")), out)
        self.assertEqual(r.returncode, 1)
        self.assertTrue(
            r.stderr.endswith(b"a.dwg: not a DXF drawing, nor a DWG drawing of R13 to R2018\n"),
            r.stderr)
        # A release it reads whose objects are not there.
        r = self.run_tool("--draw", self.write("a.dwg", drawing()), out)
        self.assertEqual((r.returncode, r.stderr), (1, b"damaged DWG drawing\n"))
        r = self.run_tool(self.write("cut.dxf", dxf(LINE).replace(b"11\n4", b"11\nx")))
        self.assertEqual((r.returncode, r.stderr), (1, b"damaged DXF drawing\n"))

    def test_dwg_drawn_where_it_stores_no_thumbnail_and_as_its_dxf_twin(self):
        if not os.path.isdir(FIXTURES):
            self.skipTest(f"{FIXTURES} is absent")
        out = os.path.join(self.dir.name, "o.png")

        def draw(path, size="320x240"):
            r = self.run_tool("--draw", "-s", size, path, out)
            self.assertEqual(r.returncode, 0, r.stderr)
            with open(out, "rb") as f:
                return r.stdout, f.read()

        for dwg, dxf_twin, *size in DWG_TWINS:
            with self.subTest(dwg):
                path = os.path.join(FIXTURES, dwg)
                with open(path, "rb") as f:
                    bare = self.write("bare.dwg", without_thumbnail(f.read()))
                line, picture = draw(path)
                # The stored thumbnail plays no part in what is drawn.
                self.assertEqual(draw(bare), (line, picture))
                r = self.run_tool(bare, out)
                self.assertEqual(r.returncode, 0, r.stderr)
                self.assertRegex(r.stdout, rb"^Drawn 10(12|14|15|18|21|24|27|32) 256x\d+ png\n$")
                with open(out, "rb") as f:
                    self.assertEqual(f.read(), draw(path, "256")[1])
                if dxf_twin:
                    if size:
                        picture = draw(path, *size)[1]
                    twin = draw(os.path.join(FIXTURES, dxf_twin), *size)[1]
                    agreement = ink_agreement(thumbimage.decode(picture),
                                              thumbimage.decode(twin))
                    self.assertGreaterEqual(agreement, 0.95)

    def test_usage(self):
        self.assertEqual(self.run_tool().returncode, 2)
        # Three drawings are a batch now (test_preview_batch.py); an unknown option is not.
        self.assertEqual(self.run_tool("--no-such-option", "a").returncode, 2)
        r = self.run_tool("--help")
        self.assertEqual(r.returncode, 0)
        self.assertIn(b"Exit status", r.stdout)


if __name__ == "__main__":
    TOOL = sys.argv.pop(1)
    unittest.main()
