#!/usr/bin/env python3
"""ortholux-preview's batch form: lines, summary and exit status, folders with and without
-r, images in --output-dir (and --png), output that cannot be written, names that are not
UTF-8, --help."""
import os
import resource
import signal
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e",
                                "harness"))
import thumbimage  # noqa: E402
from test_preview_cli import drawing  # noqa: E402
from test_thumbnailer_cli import without_thumbnail  # noqa: E402
from test_thumbnailer_cli import (DXF_FIXTURES, FIXTURE, diagonals_png,  # noqa: E402
                                  large_drawings)

TOOL = None
READY = drawing(width=3, height=2)
OLD = drawing(code=b"1009")
CUT = drawing()[:-9]


def as_nobody_if_root():  # root reads any folder
    if os.geteuid() == 0:
        os.setgroups([])
        os.setgid(65534)
        os.setuid(65534)


def lock_folder(path):
    """Unreadable to the tool run with preexec_fn=as_nobody_if_root."""
    os.makedirs(path)
    os.chmod(path, 0)
    for above in (os.path.dirname(path), os.path.dirname(os.path.dirname(path))):
        os.chmod(above, 0o777)


def limit_file_size():
    # Writes past 64 bytes fail with EFBIG instead of raising SIGXFSZ.
    signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
    resource.setrlimit(resource.RLIMIT_FSIZE, (64, 64))


class BatchForm(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.dir = os.fsencode(self.tmp.name)

    def tearDown(self):
        self.tmp.cleanup()

    def write(self, name, data):
        path = os.path.join(self.dir, os.fsencode(name))
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)
        return path

    def run_tool(self, *args, **kwargs):
        env = dict(os.environ, LANG="C.UTF-8", LC_ALL="C.UTF-8")
        kwargs.setdefault("capture_output", "stdout" not in kwargs)
        if "stdout" in kwargs:
            kwargs["stderr"] = subprocess.PIPE
        return subprocess.run([TOOL, *args], env=env, **kwargs)

    def lines(self, result):
        return [tuple(line.split(b"\t")) for line in result.stdout.splitlines()]

    def test_lines_summary_and_exit_status(self):
        a, b, c = (self.write(n, d) for n, d in (("a.dwg", READY), ("b.dwg", OLD), ("c.dwg", CUT)))
        r = self.run_tool(a, b, c)
        self.assertEqual(r.returncode, 1)
        self.assertEqual(self.lines(r), [(a, b"Ready 1015 3x2 bmp"), (b, b"BelowRange 1009"),
                                         (c, "Error ストリームからの読み込みエラー".encode())])
        self.assertEqual(r.stderr, b"ortholux-preview: 3 drawings: 1 ready, "
                                   b"1 nothing to show, 1 failed\n")
        self.assertEqual(self.run_tool(a, b, "--").returncode, 3)
        self.assertEqual(self.run_tool("--", a).returncode, 0)
        # Two drawings are a batch too: the second is not overwritten as an OUTPUT image.
        r = self.run_tool(a, b)
        self.assertEqual((r.returncode, len(self.lines(r))), (3, 2))
        with open(b, "rb") as f:
            self.assertEqual(f.read(), OLD)

    def test_folders_in_name_order_and_subfolders_with_r(self):
        self.write("z.DWG", READY)
        self.write("m.dwg", OLD)
        self.write("notes.txt", b"not a drawing")
        self.write("sub/deep.dwg", READY)
        r = self.run_tool(self.dir)
        self.assertEqual([os.path.basename(p) for p, _ in self.lines(r)], [b"m.dwg", b"z.DWG"])
        self.assertEqual(r.returncode, 3)
        r = self.run_tool("-r", self.dir)
        self.assertEqual([os.path.relpath(p, self.dir) for p, _ in self.lines(r)],
                         [b"m.dwg", b"sub/deep.dwg", b"z.DWG"])

    def test_dxf_drawings_are_walked_told_by_content_and_drawn_pictures_written_as_png(self):
        example = os.path.join(DXF_FIXTURES, "example_2000.dxf")
        if not os.path.isfile(example):
            self.skipTest(f"{example} is absent")
        with open(example, "rb") as f:
            dxf = f.read()
        folder = os.path.join(self.dir, b"in")
        plan = self.write("in/plan.DXF", dxf)
        self.write("in/named.dwg", dxf)  # a DXF drawing whatever its name
        self.write("in/a.dwg", READY)
        with open(os.path.join(os.path.dirname(DXF_FIXTURES), "dwg", "example_2000.dwg"),
                  "rb") as f:
            bare = self.write("in/bare.dwg", without_thumbnail(f.read()))
        self.write("in/notes.txt", dxf)  # not a drawing's name: not taken
        out = os.path.join(self.dir, b"out")
        r = self.run_tool("--output-dir", out, folder)
        self.assertEqual(r.returncode, 0, r.stderr)
        lines = [(os.path.basename(p), text) for p, text in self.lines(r)]
        self.assertEqual([n for n, _ in lines],
                         [b"a.dwg", b"bare.dwg", b"named.dwg", b"plan.DXF"])
        self.assertEqual(lines[0][1], b"Ready 1015 3x2 bmp")
        single = subprocess.run([TOOL, plan], capture_output=True).stdout.rstrip(b"\n")
        self.assertRegex(single, rb"^Drawn 1015 \d+x\d+ png$")
        self.assertEqual((lines[2][1], lines[3][1]), (single, single))
        self.assertEqual(lines[1][1], subprocess.run([TOOL, bare], capture_output=True)
                         .stdout.rstrip(b"\n"))
        self.assertRegex(lines[1][1], rb"^Drawn 1015 \d+x\d+ png$")
        self.assertEqual(sorted(os.listdir(out)),
                         [b"a.bmp", b"bare.png", b"named.png", b"plan.png"])
        for drawing, name in ((plan, b"plan.png"), (bare, b"bare.png")):
            reference = os.path.join(self.dir, b"drawn.png")
            subprocess.run([TOOL, "--draw", drawing, reference], check=True, capture_output=True)
            with open(reference, "rb") as f, open(os.path.join(out, name), "rb") as g:
                self.assertEqual(thumbimage.decode(g.read()).rgba(),
                                 thumbimage.decode(f.read()).rgba())

    def test_an_unreadable_folder_counts_in_the_summary(self):
        self.write("d/a.dwg", READY)
        lock_folder(os.path.join(self.dir, b"d", b"locked"))
        r = self.run_tool("-r", os.path.join(self.dir, b"d"), preexec_fn=as_nobody_if_root)
        self.assertEqual(r.returncode, 1)
        self.assertEqual([text for _, text in self.lines(r)],
                         [b"Error cannot read folder: Permission denied", b"Ready 1015 3x2 bmp"])
        self.assertEqual(r.stderr, b"ortholux-preview: 2 drawings: 1 ready, "
                                   b"0 nothing to show, 1 failed\n")

    def test_output_dir_keeps_subfolders_and_matches_the_single_form(self):
        src = self.write("in/a.dwg", READY)
        self.write("in/sub/a.dwg", READY)
        self.write("in/old.dwg", OLD)
        out = os.path.join(self.dir, b"out")
        r = self.run_tool("-r", "--output-dir", out, os.path.join(self.dir, b"in"))
        self.assertEqual(r.returncode, 3, r.stderr)
        self.assertEqual(sorted(os.listdir(out)), [b"a.bmp", b"sub"])
        self.assertEqual(os.listdir(os.path.join(out, b"sub")), [b"a.bmp"])
        single = os.path.join(self.dir, b"single.bmp")
        self.assertEqual(self.run_tool(src, single).returncode, 0)
        with open(single, "rb") as f, open(os.path.join(out, b"a.bmp"), "rb") as g:
            self.assertEqual(f.read(), g.read())

    def test_png_output_has_the_pixels_of_the_bmp_with_the_thumbnails_ground_rule(self):
        # Three colours, the rows different: a flip or a channel swap shows. The BMP has black
        # and white exchanged; the PNG keeps that on a black ground only.
        coloured = drawing(width=3, height=2, table=(0, 0xFFFFFF, 0x336699))[:-8]
        exchanged = {(0, 0, 0): (255, 255, 255), (255, 255, 255): (0, 0, 0)}
        for ground, rows in ((0, [0, 1, 0, 0, 0, 0, 2, 0]), (1, [1, 0, 1, 0, 1, 1, 2, 0])):
            with self.subTest(ground=ground):
                src = self.write(f"{ground}.dwg", coloured + bytes(rows))
                bmp_dir, png_dir = (os.path.join(self.dir, n) for n in (b"bmp", b"png"))
                self.assertEqual(self.run_tool("--output-dir", bmp_dir, src).returncode, 0)
                self.assertEqual(self.run_tool("--png", "--output-dir", png_dir, src).returncode,
                                 0)
                with open(os.path.join(bmp_dir, f"{ground}.bmp".encode()), "rb") as f:
                    bmp = thumbimage.decode(f.read())
                with open(os.path.join(png_dir, f"{ground}.png".encode()), "rb") as f:
                    png = thumbimage.decode(f.read())
                self.assertEqual((png.width, png.height), (3, 2))
                self.assertEqual(len(bmp.colours()), 3)
                for y in range(2):
                    for x in range(3):
                        shown = bmp.pixel(x, y)
                        if ground:
                            shown = exchanged.get(shown, shown)
                        self.assertEqual(png.pixel(x, y)[:3], shown)

    def test_png_of_every_stored_size_and_no_bmp_side_above_4096(self):
        drawings = large_drawings()
        if drawings is None:
            self.skipTest(f"{FIXTURE} is absent")
        src = self.write("in/large.dwg", drawings["2560"])
        self.write("in/wide.dwg", drawings["bmp4097"])
        out = os.path.join(self.dir, b"out")
        r = self.run_tool("--png", "--output-dir", out, os.path.dirname(src))
        self.assertEqual(r.returncode, 1)
        (large, wide) = self.lines(r)
        self.assertEqual(large[1], b"Ready 1027 2560x2560 png")
        self.assertTrue(wide[1].startswith(b"Error "), wide)
        with open(os.path.join(out, b"large.png"), "rb") as f:
            self.assertEqual(f.read(), diagonals_png(2560))  # the stored PNG as it is
        self.assertEqual(os.listdir(out), [b"large.png"])

    def test_same_image_name_twice_fails_the_second_and_keeps_the_first(self):
        first = self.write("one/x.dwg", READY)
        second = self.write("two/x.dwg", drawing(width=5, height=1))
        out = os.path.join(self.dir, b"out")
        r = self.run_tool("--output-dir", out, first, second)
        self.assertEqual(r.returncode, 1)
        self.assertTrue(self.lines(r)[1][1].startswith(b"Error cannot write"), r.stdout)
        with open(os.path.join(out, b"x.bmp"), "rb") as f:
            self.assertEqual(thumbimage.decode(f.read()).width, 3)

    def test_an_image_that_cannot_be_written_says_why_and_leaves_the_old_one(self):
        a, b = self.write("a.dwg", READY), self.write("b.dwg", READY)
        out = os.path.join(self.dir, b"out")
        os.makedirs(os.path.join(out, b"a.bmp"))  # a folder where a's image would go
        r = self.run_tool("--output-dir", out, a, b)
        self.assertEqual(r.returncode, 1)
        self.assertEqual(self.lines(r), [
            (a, b"Error cannot write " + os.path.join(out, b"a.bmp") + b": Is a directory"),
            (b, b"Ready 1015 3x2 bmp")])
        self.assertEqual(os.listdir(os.path.join(out, b"a.bmp")), [])
        # A file size limit cuts the next b.bmp short: the one there stays whole.
        wide = self.write("new/b.dwg", drawing(width=5, height=1))
        r = self.run_tool("--output-dir", out, wide, preexec_fn=limit_file_size)
        self.assertEqual(r.returncode, 1)
        self.assertEqual(self.lines(r), [
            (wide, b"Error cannot write " + os.path.join(out, b"b.bmp") + b": File too large")])
        self.assertEqual(sorted(os.listdir(out)), [b"a.bmp", b"b.bmp"])
        with open(os.path.join(out, b"b.bmp"), "rb") as f:
            self.assertEqual(thumbimage.decode(f.read()).width, 3)

    def test_standard_output_that_cannot_be_written_fails(self):
        a = self.write("a.dwg", READY)
        for args in ([a, "--"], [a], ["--help"]):  # batch, single form, usage
            with self.subTest(args=args), open("/dev/full", "wb") as full:
                r = self.run_tool(*args, stdout=full)
                self.assertEqual(r.returncode, 1)
                self.assertIn(b"cannot write standard output: No space left on device", r.stderr)

    def test_help_anywhere_but_after_double_dash_or_as_the_output_folder(self):
        a = self.write("a.dwg", READY)
        for args in (["-r", "--help"], [a, "-h", "--png"], ["--output-dir", "x", "-h"]):
            with self.subTest(args=args):
                r = self.run_tool(*args)
                self.assertEqual(r.returncode, 0)
                self.assertTrue(r.stdout.startswith(b"usage:"), r.stdout)
        r = self.run_tool("--", "-h")
        self.assertEqual((r.returncode, self.lines(r)[0][0]), (1, b"-h"))
        r = self.run_tool("--output-dir", "-h", a, cwd=self.dir)
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertTrue(os.path.isfile(os.path.join(self.dir, b"-h", b"a.bmp")))

    def test_names_not_utf8_and_control_characters(self):
        odd = self.write(b"\x90}\x96\xca.dwg", READY)  # Shift-JIS bytes
        nl = self.write(b"two\nlines\\.dwg", drawing(code=b"2\n\x1b\\"))
        r = self.run_tool(odd, nl, "--")
        self.assertEqual(r.returncode, 0)
        self.assertEqual(self.lines(r), [
            (odd, b"Ready 1015 3x2 bmp"),
            (nl.replace(b"\n", b"\\x0A").replace(b"\\.", b"\\x5C."),
             b"Ready 2\\x0A\\x1B\\x5C 3x2 bmp")])

    def test_wrong_usage(self):
        a = self.write("a.dwg", READY)
        for args in (["--png", a], ["--output-dir"], ["-r"], ["--bogus", a]):
            with self.subTest(args=args):
                r = self.run_tool(*args)
                self.assertEqual((r.returncode, r.stdout), (2, b""))


if __name__ == "__main__":
    TOOL = sys.argv.pop(1)
    unittest.main()
