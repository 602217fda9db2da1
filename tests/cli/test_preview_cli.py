#!/usr/bin/env python3
"""The ortholux-preview tool as a user runs it: output line, exit status, written image."""
import os
import struct
import subprocess
import sys
import tempfile
import unittest

TOOL = None


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


def dxf_drawing(thumbnail=None):
    """A small ASCII DXF drawing (a line, a circle, a text), with a THUMBNAILIMAGE section
    holding `thumbnail` when given; otherwise the same bytes without that section."""
    pairs = [(0, "SECTION"), (2, "HEADER"), (9, "$ACADVER"), (1, "AC1015"), (0, "ENDSEC"),
             (0, "SECTION"), (2, "ENTITIES"),
             (0, "LINE"), (8, "0"), (10, "0"), (20, "0"), (30, "0"), (11, "40"), (21, "25"),
             (31, "0"),
             (0, "CIRCLE"), (8, "0"), (62, "1"), (10, "20"), (20, "12.5"), (30, "0"), (40, "8"),
             (0, "TEXT"), (8, "0"), (10, "2"), (20, "20"), (30, "0"), (40, "3"), (1, "Plan"),
             (0, "ENDSEC")]
    if thumbnail is not None:
        pairs += [(0, "SECTION"), (2, "THUMBNAILIMAGE"), (90, str(len(thumbnail)))]
        pairs += [(310, thumbnail[i:i + 127].hex().upper()) for i in range(0, len(thumbnail), 127)]
        pairs += [(0, "ENDSEC")]
    pairs += [(0, "EOF")]
    return "".join("%3d\n%s\n" % pair for pair in pairs).encode("ascii")


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

    def test_drawn_pictures_ignore_a_stored_one(self):
        # A 2 x 2 8-bit DIB, as stored in a THUMBNAILIMAGE section.
        info = struct.pack("<IiiHHIIiiII", 40, 2, 2, 1, 8, 0, 0, 0, 0, 2, 0)
        dib = info + struct.pack("<II", 0x302821, 0xFFFFFF) + bytes([0, 1, 0, 0, 1, 0, 0, 0])
        stored = self.write("stored.dxf", dxf_drawing(dib))
        plain = self.write("plain.dxf", dxf_drawing())
        self.assertEqual(self.run_tool(stored).stdout.split()[0], b"Ready")
        self.assertEqual(self.run_tool(plain).stdout.split()[0], b"Drawn")
        for size in ("64", "40x30"):
            with self.subTest(size=size):
                pictures = []
                for source in (stored, plain):
                    out = source + ".png"
                    r = self.run_tool("--draw", "-s", size, source, out)
                    self.assertEqual(r.returncode, 0, r.stderr)
                    with open(out, "rb") as f:
                        pictures.append(f.read())
                self.assertEqual(pictures[0][:8], b"\x89PNG\r\n\x1a\n")
                self.assertEqual(pictures[0], pictures[1])

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
