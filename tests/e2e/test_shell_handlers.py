"""OrtholuxShell.dll under Wine. Wine's Explorer draws no thumbnails, so olxshell.exe stands in
for the shell: it finds the handlers as the shell does (extension -> ShellEx key -> CLSID),
creates them in process and drives them with streams on the real drawings. Thumbnails are
compared pixel for pixel with the host build's ortholux-thumbnailer at the same size."""
import csv
import shutil
import struct
import subprocess
import tempfile
import unittest
from pathlib import Path

from harness import WineTestCase, config, fixtures
from harness.drawings import diagonals_png, drawing, thumbnail, with_thumbnail
from harness.drawings import without_thumbnail
from harness.screen import encode_png
from harness.thumbimage import Png

THUMBNAIL_ID = "{62E07174-40A8-4F84-9369-5D1169E787B1}"
PREVIEW_ID = "{4B90BE84-CEB7-4A25-B5F4-4EB78330085C}"
THUMBNAIL_KEY = "{e357fccd-a995-4576-b01f-234630154e96}"
CLASSES = "HKLM\\Software\\Classes"
PREVIEW_HANDLERS = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\PreviewHandlers"

S_OK = "00000000"
E_FAIL = "80004005"
NOTHING_TO_SHOW = E_FAIL
DAMAGED = "8007000b"          # HRESULT_FROM_WIN32(ERROR_BAD_FORMAT)
READ_FAULT = "8003001e"       # STG_E_READFAULT, what the driver's failing stream reports
SIZES = (32, 96, 256, 1024)
BUDGET_SLACK = 64 * 1024      # bytes read beyond the thumbnail itself
TEAL, YELLOW, MAGENTA = (0, 128, 128), (255, 255, 0), (255, 0, 255)


def fixture_table():
    folder = config.fixtures()
    if folder is None:
        return None
    with open(folder / "expected.tsv", encoding="utf-8", newline="") as f:
        return {row["file"]: dict(row, path=folder / row["file"])
                for row in csv.DictReader(f, delimiter="\t")}


def thumbnailer():
    path = config.xdrop().parent / "ortholux-thumbnailer"
    if not path.is_file():
        raise config.MissingProgram(f"{path} does not exist: build the host build")
    return path


def reference_rgba(drawing, size):
    """(width, height, RGBA bytes) of the thumbnailer's PNG at that size."""
    with tempfile.TemporaryDirectory(prefix="h-shell-") as folder:
        out = Path(folder) / "t.png"
        subprocess.run([str(thumbnailer()), "-s", str(size), str(drawing), str(out)],
                       check=True, timeout=60)
        png = Png(out.read_bytes())
        return png.width, png.height, png.rgba()


def dxf_fixtures():
    """Every real DXF drawing beside the DWG ones, entities-2007/ included."""
    folder = config.fixtures()
    folder = folder.parent / "dxf" if folder else None
    return sorted(folder.rglob("*.dxf")) if folder and folder.is_dir() else []


def drawn_or_none(drawing, size):
    """reference_rgba, or None where the thumbnailer has nothing to show (exit 3)."""
    with tempfile.TemporaryDirectory(prefix="h-shell-") as folder:
        out = Path(folder) / "t.png"
        done = subprocess.run([str(thumbnailer()), "-s", str(size), str(drawing), str(out)],
                              capture_output=True, timeout=60)
        if done.returncode == 3:
            return None
        if done.returncode != 0:
            raise AssertionError(f"{drawing}: {done.stderr!r}")
        png = Png(out.read_bytes())
        return png.width, png.height, png.rgba()


def read_raw(path):
    """(width, height, BGRA bytes) as the driver wrote them."""
    data = Path(path).read_bytes()
    width, height = struct.unpack_from("<ii", data)
    return width, height, data[8:]


def bgra_to_rgba(bgra):
    out = bytearray(bgra)
    out[0::4], out[2::4] = bgra[2::4], bgra[0::4]
    return bytes(out)


class Screen:
    """A captured client area (BGRA rows) as RGB look-ups."""

    def __init__(self, path):
        self.width, self.height, self.bgra = read_raw(path)

    def pixel(self, x, y):
        i = (y * self.width + x) * 4
        return self.bgra[i + 2], self.bgra[i + 1], self.bgra[i]

    def box_not(self, colour, left, top, right, bottom):
        """Bounding box (l, t, r, b; r, b excluded) of the pixels that are not colour."""
        xs, ys = [], []
        for y in range(top, bottom):
            for x in range(left, right):
                if self.pixel(x, y) != colour:
                    xs.append(x)
                    ys.append(y)
        return (min(xs), min(ys), max(xs) + 1, max(ys) + 1) if xs else None

    def count(self, colour, left, top, right, bottom):
        return sum(self.pixel(x, y) == colour for y in range(top, bottom)
                   for x in range(left, right))


@unittest.skipIf(fixture_table() is None, "the real drawings are not here")
class ShellHandlers(WineTestCase):
    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        s = cls.session
        folder = s.c_drive / "Program Files" / "Ortholux"
        folder.mkdir(parents=True)
        cls.dll = folder / "OrtholuxShell.dll"
        shutil.copy(config.exe("OrtholuxShell.dll"), cls.dll)
        cls.out = s.run_dir / "shell-out"
        cls.out.mkdir()
        cls.fixtures = fixture_table()
        cls.regsvr32()

    @classmethod
    def regsvr32(cls, *flags):
        done = cls.session.wine("regsvr32", "/s", *flags, cls.session.unix_to_wine_path(cls.dll))
        if done.returncode != 0:
            raise AssertionError(f"regsvr32 {flags} exited {done.returncode}: {done.stderr!r}")

    def shell(self, *args, timeout=600):
        """olxshell's records (tab-separated fields), its final "end 0" checked."""
        s = self.session
        done = s.wine(config.exe("olxshell.exe"), *map(str, args), timeout=timeout)
        lines = [line.split("\t") for line in done.stdout.decode("cp932").splitlines()]
        self.assertEqual(lines[-1:], [["end", "0"]], done.stderr.decode("cp932", "replace"))
        return lines[:-1]

    def wine_path(self, path):
        return self.session.unix_to_wine_path(path)

    def ready(self):
        return [f for f in self.fixtures.values() if f["outcome"] == "Ready"]

    def thumbnail_length(self, fixture):
        """The thumbnail's bytes in the drawing: a BMP is rebuilt with a 14-byte header."""
        size = int(fixture["image_bytes"])
        return size - 14 if fixture["image_kind"] == "bmp" else size

    def thumb(self, fixture, *sizes):
        """{size: record} and the budget record of one drawing."""
        records = self.shell("thumb", self.wine_path(fixture["path"]),
                             self.wine_path(self.out), *sizes)
        sized = {int(r[1]): r for r in records if r[0] == "size"}
        budget = next(r for r in records if r[0] == "budget")
        return sized, budget

    def keys(self):
        """The machine's classes and preview-handler list, as reg export writes them."""
        text = []
        for key in (CLASSES, PREVIEW_HANDLERS):
            target = self.out / "export.reg"
            target.unlink(missing_ok=True)
            done = self.session.wine("reg", "export", key, self.wine_path(target), "/y")
            self.assertEqual(done.returncode, 0, f"reg export {key}")
            exported = target.read_bytes().decode("utf-16")
            self.assertIn("[" + key.replace("HKLM", "HKEY_LOCAL_MACHINE"), exported)
            text.append(exported)
        return "\n".join(text)

    # ---- thumbnails ----

    def test_thumbnails_equal_the_thumbnailers_pixels_at_every_size(self):
        for fixture in self.ready():
            with self.subTest(fixture["file"]):
                sized, budget = self.thumb(fixture, *SIZES)
                stored = [int(n) for n in fixture["thumbnail_size"].split("x")]
                for size in SIZES:
                    record = sized[size]
                    self.assertEqual(record[2], S_OK, f"cx {size}")
                    width, height = int(record[3]), int(record[4])
                    self.assertEqual(max(width, height), min(size, max(stored)), f"cx {size}")
                    alpha = "2" if fixture["image_kind"] == "png" else "1"  # WTSAT_ARGB, _RGB
                    self.assertEqual(record[5:7], [alpha, "32"], f"cx {size}")
                    got = read_raw(self.out / f"thumb-{size}.bgra")
                    want = reference_rgba(fixture["path"], size)
                    self.assertEqual(got[:2], want[:2], f"cx {size}")
                    self.assertTrue(bgra_to_rgba(got[2]) == want[2],
                                    f"cx {size}: pixels differ from the thumbnailer's")
                read = int(budget[1])
                self.assertLessEqual(read, self.thumbnail_length(fixture) + BUDGET_SLACK)
                self.assertLess(read, int(budget[3]), "the whole drawing was read")

    def test_the_largest_stored_png_and_no_side_above_4096(self):
        real = self.fixtures["example_2013.dwg"]["path"].read_bytes()
        made = {"large.dwg": with_thumbnail(real, diagonals_png(2560)),
                "png4097.dwg": with_thumbnail(real, encode_png(4097, 1, bytes(4097 * 3))),
                "bmp4097.dwg": drawing(thumb=thumbnail(4097, 1))}
        for name, data in made.items():
            (self.out / name).write_bytes(data)
        sized, _ = self.thumb({"path": self.out / "large.dwg"}, 96, 256)
        for size in (96, 256):
            with self.subTest(size=size):
                self.assertEqual(sized[size][2:5], [S_OK, str(size), str(size)])
                got = read_raw(self.out / f"thumb-{size}.bgra")
                want = reference_rgba(self.out / "large.dwg", size)
                self.assertTrue(bgra_to_rgba(got[2]) == want[2],
                                "pixels differ from the thumbnailer's")
        for name in ("png4097.dwg", "bmp4097.dwg"):
            with self.subTest(name):
                sized, _ = self.thumb({"path": self.out / name}, 256)
                self.assertEqual(sized[256][2], DAMAGED)

    def test_drawings_without_a_thumbnail_fail_without_a_bitmap(self):
        wanted = {"BelowRange": NOTHING_TO_SHOW, "NoBitmap": NOTHING_TO_SHOW, "Error": DAMAGED}
        for fixture in self.fixtures.values():
            if fixture["outcome"] == "Ready":
                continue
            with self.subTest(fixture["file"]):
                sized, _ = self.thumb(fixture, 256)
                line = subprocess.run([str(fixtures.preview_tool()), str(fixture["path"])],
                                      capture_output=True, timeout=60).stdout.split()
                if line[:1] == [b"Drawn"]:
                    # No thumbnail, but objects the handler reads: drawn as the tool draws.
                    size = line[2].decode().split("x")
                    self.assertEqual(sized[256][2:5], [S_OK, *size])
                    continue
                # The driver itself fails a run in which a bitmap comes back with a failure.
                self.assertEqual(sized[256][2:5], [wanted[fixture["outcome"]], "0", "0"])

    def test_cuts_before_the_thumbnails_end_fail_and_later_ones_change_nothing(self):
        # Every length up to 2 KiB and over the last 1 KiB before the end of what the whole
        # drawing needs, 256 lengths spread between, and the end itself and past it: every
        # length of a 1.4 MB drawing would take too long under Wine.
        for fixture in self.ready():
            with self.subTest(fixture["file"]):
                sized, budget = self.thumb(fixture, 256)
                whole_sum = sized[256][7]
                extent, size = int(budget[2]), int(budget[3])
                spread = {2048 + (extent - 3072) * i // 256 for i in range(256)}
                lengths = [f"0-2047", f"{extent - 1024}-{extent + 1}", size,
                           *sorted(n for n in spread if 2048 <= n < extent - 1024)]
                records = self.shell("cuts", self.wine_path(fixture["path"]), 256, *lengths)
                self.assertGreater(len(records), 3000)
                for _, length, result, checksum in records:
                    if int(length) < extent:
                        self.assertEqual((length, result), (length, DAMAGED))
                    else:
                        self.assertEqual((length, result, checksum), (length, S_OK, whole_sum))

    def test_a_failing_stream_passes_its_own_error_on(self):
        fixture = self.fixtures["example_2013.dwg"]
        _, budget = self.thumb(fixture, 256)
        read = int(budget[1])
        records = self.shell("faults", self.wine_path(fixture["path"]), 256,
                             0, 1, 6, 100, read // 2, read - 1, read)
        self.assertEqual(records[0], ["stat", READ_FAULT])
        results = {int(r[1]): r[2] for r in records[1:]}
        self.assertEqual(results, {0: READ_FAULT, 1: READ_FAULT, 6: READ_FAULT,
                                   100: READ_FAULT, read // 2: READ_FAULT,
                                   read - 1: READ_FAULT, read: S_OK})

    def test_eight_threads_at_once_give_the_same_results(self):
        files = sorted(self.fixtures.values(), key=lambda f: f["file"])
        alone = {}
        for fixture in files:
            sized, _ = self.thumb(fixture, 256)
            alone[self.wine_path(fixture["path"])] = (sized[256][2], sized[256][7])
        records = self.shell("threads", 8, 3, 256, *alone)
        self.assertEqual(len(records), 8 * 3 * len(files))
        for _, thread, path, result, checksum in records:
            self.assertEqual((thread, path, result, checksum), (thread, path, *alone[path]))

    def test_dwg_drawings_without_a_thumbnail_drawn_as_the_thumbnailer_draws_them(self):
        drawn = 0
        for fixture in self.ready():
            if fixture["release_code"] not in ("1012", "1014", "1015", "1018"):
                continue  # releases whose objects are not read yet stay without a picture
            with self.subTest(fixture["file"]):
                bare = self.out / ("bare-" + fixture["file"])
                bare.write_bytes(without_thumbnail(fixture["path"].read_bytes()))
                sized, _ = self.thumb({"path": bare}, 96)
                want = drawn_or_none(bare, 96)
                self.assertEqual(sized[96][2], S_OK)
                self.assertEqual(sized[96][5:7], ["1", "32"])  # opaque, as DXF pictures
                got = read_raw(self.out / "thumb-96.bgra")
                self.assertEqual(got[:2], want[:2])
                self.assertTrue(bgra_to_rgba(got[2]) == want[2],
                                "pixels differ from the thumbnailer's")
                drawn += 1
        self.assertEqual(drawn, 5)  # R13, R14, R2000 and two of R2004

    def test_dxf_thumbnails_equal_the_thumbnailers_pixels_also_in_eight_threads(self):
        drawings = dxf_fixtures()
        if not drawings:
            self.skipTest("no DXF drawings beside the DWG ones")
        alone = {}
        for path in drawings:
            with self.subTest(path.name):
                sized, _ = self.thumb({"path": path}, 96, 256)
                for size in (96, 256):
                    want = drawn_or_none(path, size)
                    if want is None:
                        self.assertEqual(sized[size][2:5], [NOTHING_TO_SHOW, "0", "0"])
                        continue
                    self.assertEqual(sized[size][2], S_OK, f"cx {size}")
                    self.assertEqual(sized[size][5:7], ["1", "32"], f"cx {size}")  # opaque
                    got = read_raw(self.out / f"thumb-{size}.bgra")
                    self.assertEqual(got[:2], want[:2], f"cx {size}")
                    self.assertTrue(bgra_to_rgba(got[2]) == want[2],
                                    f"cx {size}: pixels differ from the thumbnailer's")
                alone[self.wine_path(path)] = (sized[256][2], sized[256][7])
        examples = [r for p, (r, _) in alone.items() if "example_" in p]
        self.assertEqual(examples, [S_OK] * 9)
        records = self.shell("threads", 8, 1, 256, *alone)
        self.assertEqual(len(records), 8 * len(drawings))
        for _, thread, path, result, checksum in records:
            self.assertEqual((thread, path, result, checksum), (thread, path, *alone[path]))

    def test_dxf_drawings_past_the_users_limit_keep_their_icon(self):
        drawings = {p.name: p for p in dxf_fixtures()}
        if "example_2000.dxf" not in drawings:
            self.skipTest("no DXF drawings beside the DWG ones")
        fixture = {"path": drawings["example_2000.dxf"]}
        size = fixture["path"].stat().st_size  # over 1 MiB
        for key in ("HKCU\\Software\\Ortholux", "HKLM\\Software\\Ortholux"):
            self.addCleanup(self.session.wine, "reg", "delete", key, "/f")
        # The user's value comes before the machine's.
        rows = (("HKLM", 1, NOTHING_TO_SHOW), ("HKLM", 0, NOTHING_TO_SHOW),
                ("HKCU", size // 2**20 + 1, S_OK), ("HKCU", 0, NOTHING_TO_SHOW))
        for root, limit, wanted in rows:
            with self.subTest(root=root, limit=limit):
                self.session.wine("reg", "add", f"{root}\\Software\\Ortholux", "/v",
                                  "DxfLimitMB", "/t", "REG_DWORD", "/d", str(limit), "/f")
                sized, _ = self.thumb(fixture, 96)
                self.assertEqual(sized[96][2], wanted)
        for key in ("HKCU\\Software\\Ortholux", "HKLM\\Software\\Ortholux"):
            self.session.wine("reg", "delete", key, "/f")
        sized, _ = self.thumb(fixture, 96)  # the default, 64 MiB
        self.assertEqual(sized[96][2], S_OK)

    # ---- preview pane ----

    def preview(self, fixture, *sizes):
        records = self.shell("preview", self.wine_path(fixture["path"]),
                             self.wine_path(self.out), *sizes)
        return {tuple(r[:2]) if r[0] == "pane" else r[0]: r for r in records}

    def assert_laid_out(self, shot, pane_width, pane_height, stored):
        """The picture fitted and centred above a line of text, the rest teal."""
        self.assertEqual(shot.count(MAGENTA, 0, 0, pane_width, pane_height), 0)
        rows = [y for y in range(pane_height)
                if shot.box_not(TEAL, 0, y, pane_width, y + 1) is not None]
        # Runs of rows that hold anything: the picture, then the text line.
        runs = []
        for y in rows:
            if runs and runs[-1][1] == y:
                runs[-1][1] = y + 1
            else:
                runs.append([y, y + 1])
        self.assertGreaterEqual(len(runs), 2, runs)
        left, top, right, bottom = shot.box_not(TEAL, 0, runs[0][0], pane_width, runs[0][1])
        width, height = right - left, bottom - top
        self.assertLessEqual(abs(left - (pane_width - right)), 1, "not centred across")
        self.assertAlmostEqual(width / height, stored[0] / stored[1], delta=0.03)
        text_top = runs[-1][0]
        if top == 0:  # as high as the area: centred across, the text below it
            self.assertGreater(text_top, bottom)
        else:  # as wide as the pane: centred in the area above the line
            self.assertEqual((left, right), (0, pane_width))
            self.assertGreaterEqual(text_top, bottom + top - 1)
        line = shot.box_not(TEAL, 0, text_top, pane_width, pane_height)
        self.assertGreater(shot.count(YELLOW, *line), 0, "no text in the line")
        self.assertLessEqual(abs(line[0] - (pane_width - line[2])), 2, "text not centred")
        return line[2] - line[0]

    def test_preview_pane_fits_centres_relays_and_names_the_release(self):
        spans = {}
        releases = {"example_2000.dwg": "R2000 (AC1015)", "example_2013.dwg": "R2013 (AC1027)",
                    "example_2004.dwg": "R2004 (AC1018)"}
        for name, release in releases.items():
            fixture = self.fixtures[name]
            stored = [int(n) for n in fixture["thumbnail_size"].split("x")]
            with self.subTest(name):
                r = self.preview(fixture, 400, 300, 300, 500)
                # The stream is let go once read: held, it keeps others from writing the file.
                self.assertEqual(r["do"][1:], ["0" * 16, "0"])
                self.assertEqual(r[("pane", "1")][3:], ["1", "0", "0", "400", "300", release])
                self.assertEqual(r["focus"][2], "1")
                self.assertEqual(r[("pane", "2")][3:], ["1", "0", "0", "300", "500", release])
                self.assertEqual(r["unload"][1], "0")
                first = Screen(self.out / "pane-1.bgra")
                spans[name] = self.assert_laid_out(first, 400, 300, stored)
                self.assertEqual(first.count(MAGENTA, 0, 300, 400, 500), 400 * 200)
                second = Screen(self.out / "pane-2.bgra")
                self.assert_laid_out(second, 300, 500, stored)
                self.assertEqual(second.count(MAGENTA, 300, 0, 400, 500), 100 * 500)
                third = Screen(self.out / "pane-3.bgra")
                self.assertEqual(third.count(MAGENTA, 0, 0, 400, 500), 400 * 500, "unloaded")
                # Initialised again after Unload, as the host does for the next file.
                self.assertEqual(r["redo"][1:], ["0" * 16, "0"])
                self.assertEqual(r[("pane", "4")][3:], ["1", "0", "0", "300", "500", release])
                self.assert_laid_out(Screen(self.out / "pane-4.bgra"), 300, 500, stored)
        # The line painted is the window's text: names of one length in digits of one width.
        self.assertLessEqual(max(spans.values()) - min(spans.values()), 3, spans)

    def test_preview_pane_draws_a_dxf_drawing_at_the_panes_size(self):
        drawings = {p.name: p for p in dxf_fixtures()}
        if "example_2000.dxf" not in drawings:
            self.skipTest("no DXF drawings beside the DWG ones")
        fixture = {"path": drawings["example_2000.dxf"]}
        width, height, _ = drawn_or_none(fixture["path"], 400)  # the pane's longer side
        r = self.preview(fixture, 400, 300, 300, 500)
        self.assertEqual(r["do"][1:], ["0" * 16, "0"])
        self.assertEqual(r[("pane", "1")][3:], ["1", "0", "0", "400", "300", "R2000 (AC1015)"])
        self.assert_laid_out(Screen(self.out / "pane-1.bgra"), 400, 300, (width, height))
        self.assert_laid_out(Screen(self.out / "pane-2.bgra"), 300, 500, (width, height))

    def test_preview_of_a_drawing_without_a_thumbnail_draws_nothing(self):
        for name, result in (("r11_entities-2d.dwg", NOTHING_TO_SHOW), ("r2.10_entities.dwg", DAMAGED)):
            with self.subTest(name):
                r = self.preview(self.fixtures[name], 400, 300, 300, 500)
                self.assertEqual(r["do"][1:], ["00000000" + result, "0"])
                self.assertEqual(r["redo"][1:], ["00000000" + result, "0"])
                self.assertEqual(r[("pane", "1")][2:4], ["0" * 16, "0"])
                for stage in (1, 2, 3, 4):
                    shot = Screen(self.out / f"pane-{stage}.bgra")
                    self.assertEqual(shot.count(MAGENTA, 0, 0, 400, 500), 400 * 500)

    def test_preview_whose_window_the_host_refuses_fails_and_the_next_one_shows(self):
        # A host's hook vetoes the pane's window without giving a reason: never S_OK.
        r = self.preview(self.fixtures["example_2013.dwg"], 400, 300, 300, 500, "refuse")
        self.assertEqual(r["do"][1:], ["00000000" + E_FAIL, "0"])
        self.assertEqual(r[("pane", "1")][2:4], ["0" * 16, "0"])
        self.assertEqual(r["redo"][1:], ["0" * 16, "0"])
        self.assertEqual(r[("pane", "4")][3:], ["1", "0", "0", "300", "500", "R2013 (AC1027)"])

    # ---- registration ----

    def test_registration_is_found_as_the_shell_looks_and_undone_completely(self):
        for extension in (".dwg", ".dwt", ".dxf"):
            records = self.shell("handlers", extension)
            self.assertEqual(records, [["thumbnail", THUMBNAIL_ID], ["preview", PREVIEW_ID]])
        for handler in (THUMBNAIL_ID, PREVIEW_ID):
            done = self.session.wine("reg", "query",
                                     f"{CLASSES}\\CLSID\\{handler}\\InprocServer32")
            self.assertIn(b"Apartment", done.stdout)
            self.assertIn(b"OrtholuxShell.dll", done.stdout)
        done = self.session.wine("reg", "query", f"{CLASSES}\\CLSID\\{PREVIEW_ID}", "/v", "AppID")
        self.assertIn(b"{6d2b5079-2f0b-48dd-ab7f-97cec514d30b}", done.stdout)
        done = self.session.wine("reg", "query", PREVIEW_HANDLERS, "/v", PREVIEW_ID)
        self.assertEqual(done.returncode, 0)

        foreign = "{00000000-1111-2222-3333-444444444444}"
        try:
            self.regsvr32("/u")
            before = self.keys()
            self.assertNotIn(THUMBNAIL_ID, before.upper())
            self.assertNotIn(PREVIEW_ID, before.upper())
            self.assertEqual(self.shell("handlers", ".dwg"), [["thumbnail", "-"], ["preview", "-"]])
            self.regsvr32()
            self.regsvr32()  # a second registration must not record ourselves as foreign
            self.regsvr32("/u")
            self.assertEqual(self.keys(), before, "keys left behind")

            # Another program's thumbnail handler comes back when we go.
            self.session.wine("reg", "add", f"{CLASSES}\\.dwg\\ShellEx\\{THUMBNAIL_KEY}",
                              "/ve", "/d", foreign, "/f")
            self.regsvr32()
            self.assertEqual(self.shell("handlers", ".dwg")[0], ["thumbnail", THUMBNAIL_ID])
            self.regsvr32()
            self.regsvr32("/u")
            self.assertEqual(self.shell("handlers", ".dwg"), [["thumbnail", foreign],
                                                              ["preview", "-"]])
            for extension in (".dwt", ".dxf"):
                self.assertEqual(self.shell("handlers", extension), [["thumbnail", "-"],
                                                                     ["preview", "-"]])
        finally:
            self.session.wine("reg", "delete", f"{CLASSES}\\.dwg", "/f")
            self.regsvr32()

    def test_a_dll_in_a_folder_named_outside_the_code_page_is_registered_loadable(self):
        # "ü" has no place in code page 932: a path written through the "A" functions would
        # hold "?" where it stands, and the shell could not load the handlers.
        folder = self.session.c_drive / "Program Files" / "Müller"
        folder.mkdir(parents=True)
        copy = folder / "OrtholuxShell.dll"
        shutil.copy(self.dll, copy)
        fixture = self.ready()[0]
        try:
            done = self.session.wine("regsvr32", "/s", self.wine_path(copy))
            self.assertEqual(done.returncode, 0)
            sized, _ = self.thumb(fixture, 96)
            self.assertEqual(sized[96][2], S_OK)
            got = read_raw(self.out / "thumb-96.bgra")
            want = reference_rgba(fixture["path"], 96)
            self.assertEqual(got[:2], want[:2])
            self.assertTrue(bgra_to_rgba(got[2]) == want[2], "pixels differ from the thumbnailer's")
        finally:
            self.session.wine("regsvr32", "/s", "/u", self.wine_path(copy))
            self.regsvr32()


if __name__ == "__main__":
    unittest.main()
