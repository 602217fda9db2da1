"""The About box of the real Ortholux.exe, opened as a user opens it (Help > About by
keyboard) and read from outside: its place over the main window, its texts, the memory
figures against the machine's (also while another process takes and frees a large block),
the ways to close it, the home-page link, and the hidden instance that lives for the whole
run."""
import re
import shutil
import subprocess
import sys
import time
import unittest

from harness import WindowGone, WineTestCase, config, poll
from harness.driver import Memory

MAIN_CLASS = "TMainForm1"
ABOUT_CLASS = "TForm1"
ABOUT_TITLE = "バージョン情報"
CLIENT_SIZE = (315, 196)

# Child window ids of the box.
IMAGE1, LABEL1, LABEL2, LABEL5, LABEL6, GAUGE, URL_LABEL, LABEL3, LABEL4 = range(101, 110)
BUTTON1 = 1

TOTAL_TEXT = re.compile(r"物理メモリ {6}(\d{1,3}(?:,\d{3})*) KB")
USAGE_TEXT = re.compile(r"(\d*)% \( (\d{1,3}(?:,\d{3})*) KB使用\)")

# Takes a block of memory, writes to every page of it, says so through a file and waits to
# be killed.
_MEMORY_TAKER = r"""
import sys, time
size = int(sys.argv[1])
block = bytearray(size)
block[::4096] = b"\x01" * len(range(0, size, 4096))
open(sys.argv[2], "w").close()
time.sleep(90)
"""


def div(a, b):
    """Integer division that truncates toward zero, as the box's centring does."""
    q = abs(a) // abs(b)
    return q if (a >= 0) == (b > 0) else -q


def kilobytes(size):
    """Bytes as the box shows them in KB: rounded, halves up."""
    return (size + 512) // 1024


def grouped(text):
    return int(text.replace(",", ""))


def usage(text):
    """Label6 -> (percent, KB in use); a lone "%" is 0 %."""
    m = USAGE_TEXT.fullmatch(text)
    if not m:
        raise AssertionError(f"Label6 reads {text!r}")
    return int(m[1] or 0), grouped(m[2])


def machine_share(mem):
    return (mem.ex_total - mem.ex_avail) * 100 / mem.ex_total


def machine_memory():
    """The machine's reading as GlobalMemoryStatusEx gives it under Wine (MemTotal and
    MemAvailable of /proc/meminfo), read in an instant: a driver run starts a Wine process,
    and other programs' memory comes and goes meanwhile."""
    fields = {}
    with open("/proc/meminfo", encoding="ascii") as f:
        for line in f:
            name, _, rest = line.partition(":")
            fields[name] = int(rest.split()[0]) * 1024
    return Memory(0, fields["MemTotal"], fields["MemAvailable"], 0, 0)


class AboutBox(WineTestCase):
    @classmethod
    def setUpClass(cls):
        # Fail, never skip, when the programs are missing.
        cls.viewer = config.exe("Ortholux.exe")
        config.exe("olxdriver.exe")
        super().setUpClass()

    def setUp(self):
        super().setUp()
        self.mains = []

    def tearDown(self):
        super().tearDown()  # kills the viewers this test started
        # A killed viewer's windows linger a moment: the next test must not meet them.
        for main in self.mains:
            self.assertTrue(self.session.drv.gone(main, 20), f"main window {main:#x} lingers")

    # ---- the user's side ----
    def start_viewer(self, exe=None):
        proc = self.session.start(exe or self.viewer)
        main = self.session.wait_window("Ortholux", MAIN_CLASS, timeout=30)
        self.mains.append(main)
        return proc, main

    def open_about(self, main):
        """Help > About by keyboard -> the box, once it is the active window."""
        drv = self.session.drv
        self.assertTrue(self.session.wait_keyboard(main, 20),
                        "main window never came to the front")
        self.session.key("alt+h", "a")
        box = drv.wait(ABOUT_TITLE, ABOUT_CLASS, 20)
        self.assertTrue(self.session.wait_keyboard(box, 20), "About box never became active")
        return box

    def xdotool(self, *args):
        subprocess.run(["xdotool", *map(str, args)], env=self.session.env, check=True,
                       timeout=30, stdin=subprocess.DEVNULL, capture_output=True)

    def drag_main_to(self, main, left, top):
        """Drags the main window by its caption so that its outer rectangle starts at
        (left, top)."""
        r = self.session.drv.rect(main)
        x, y = r.left + 60, r.top + 10
        tx, ty = x + left - r.left, y + top - r.top
        self.xdotool("mousemove", x, y, "mousedown", 1)
        time.sleep(0.2)
        self.xdotool("mousemove", (x + tx) // 2, (y + ty) // 2)
        time.sleep(0.2)
        self.xdotool("mousemove", tx, ty)
        time.sleep(0.2)
        self.xdotool("mouseup", 1)
        moved = poll(lambda: self.session.drv.rect(main),
                     lambda q: (q.left, q.top) == (left, top), 10)
        self.assertEqual((moved.left, moved.top), (left, top), "drag did not move the window")
        return moved

    def close_by_enter_and_check(self, main, box):
        self.session.key("Return")
        self.assert_closed(main, box)

    def assert_closed(self, main, box):
        drv = self.session.drv
        self.assertTrue(drv.gone(box, 10), "About box still shows")
        # The command's instance is destroyed, not merely hidden.
        self.assertNotIn(box, [w.hwnd for w in drv.windows(ABOUT_CLASS)])
        self.assertTrue(poll(lambda: drv.info(main)["enabled"], timeout=5),
                        "main window still disabled after the box closed")

    # ---- reading the box ----
    def hidden_instance(self, main):
        """The start-up instance: the one hidden About window of the viewer's process."""
        drv = self.session.drv
        pid = drv.info(main)["pid"]

        def pid_of(hwnd):
            try:
                return drv.info(hwnd)["pid"]
            except WindowGone:  # an ended viewer's window, gone since the listing
                return None

        found = poll(lambda: [w for w in drv.windows(ABOUT_CLASS)
                              if not w.visible and pid_of(w.hwnd) == pid], timeout=10)
        self.assertEqual(len(found), 1, f"hidden {ABOUT_CLASS} windows: {found}")
        return found[0].hwnd

    def controls(self, box):
        return {c.id: c for c in self.session.drv.children(box)}

    def memory_snapshot(self, box):
        """(total KB, percent, used KB, gauge) read while no timer tick came between."""
        drv = self.session.drv

        def read():
            kids = self.controls(box)
            gauge = drv.progress(kids[GAUGE].hwnd)
            again = drv.text(kids[LABEL6].hwnd)
            return kids[LABEL5].text, kids[LABEL6].text, again, gauge

        total, text, again, gauge = poll(read, lambda r: r[1] == r[2], timeout=10)
        self.assertEqual(text, again, "Label6 never held still for one reading")
        m = TOTAL_TEXT.fullmatch(total)
        self.assertIsNotNone(m, f"Label5 reads {total!r}")
        return (grouped(m[1]), *usage(text), gauge)

    def figures_near_machine(self, box, delta):
        """memory_snapshot(box), checked against the machine's share read right before and
        after it -> (figures, machine shares). Other programs take and free memory all the
        time, so the figures must come from a timer tick after the first reading: the
        reading waits for Label6 to change once (on a machine whose memory holds still to
        the kilobyte, the figures it shows are current anyway)."""
        shown = self.controls(box)[LABEL6].text
        first = machine_memory()
        poll(lambda: self.controls(box)[LABEL6].text, lambda t: t != shown, timeout=3,
             interval=0.1)
        figures = self.memory_snapshot(box)
        last = machine_memory()
        seen = (first, figures, last)
        shares = sorted(machine_share(m) for m in (first, last))
        self.assertTrue(shares[0] - delta <= figures[1] <= shares[1] + delta, seen)
        used = sorted(kilobytes(m.ex_total - m.ex_avail) for m in (first, last))
        slack = figures[0] * delta // 100
        self.assertTrue(used[0] - slack <= figures[2] <= used[1] + slack, seen)
        return figures, shares

    def usage_percent(self, window):
        return usage(self.controls(window)[LABEL6].text)[0]

    # ---- tests ----
    def test_box_opens_centred_over_the_main_window_and_disables_it(self):
        drv = self.session.drv
        _, main = self.start_viewer()
        # Away from the screen's centre, so that centring over the main window differs from
        # centring on the screen; then near the corner, where the box would start above and
        # left of the screen.
        for left, top in ((250, 150), (10, 2)):
            with self.subTest(main_at=(left, top)):
                outer = self.drag_main_to(main, left, top)
                box = self.open_about(main)
                info = drv.info(box)
                self.assertEqual((info["class"], info["text"], info["visible"]),
                                 (ABOUT_CLASS, ABOUT_TITLE, True))
                self.assertEqual(info["parent"], 0)
                self.assertEqual(info["owner"], drv.info(main)["owner"])  # application window
                self.assertEqual(info["pid"], drv.info(main)["pid"])
                r = info["rect"]
                expected = (max(outer.left + div(outer.width - r.width, 2), 0),
                            max(outer.top + div(outer.height - r.height, 2), 0))
                self.assertEqual((r.left, r.top), expected)
                client = info["client"]
                self.assertEqual((client.width, client.height), CLIENT_SIZE)
                self.assertFalse(drv.info(main)["enabled"], "main window enabled under the box")
                self.assertEqual(drv.rect(main), outer)

                kids = self.controls(box)
                at = {i: (k.rect.left - client.left, k.rect.top - client.top)
                      for i, k in kids.items()}
                self.assertEqual([at[i] for i in (IMAGE1, LABEL1, LABEL2, LABEL5, GAUGE,
                                                  URL_LABEL, LABEL3, LABEL4, BUTTON1)],
                                 [(8, 16), (64, 16), (64, 48), (8, 72), (8, 96), (8, 128),
                                  (8, 152), (8, 168), (228, 161)])
                self.assertEqual((kids[GAUGE].rect.width, kids[GAUGE].rect.height), (297, 17))
                self.assertEqual((kids[BUTTON1].cls, kids[BUTTON1].text), ("Button", "OK"))
                self.assertEqual((kids[BUTTON1].rect.width, kids[BUTTON1].rect.height),
                                 (75, 25))
                # Label6 stays on its row, right of Label5, and whole where there is room:
                # with 10 GB or more in use (a busy machine) the two texts are too long for
                # the row, and Label6 then stands 4 pixels right of Label5.
                usage_rect = kids[LABEL6].rect
                self.assertEqual(at[LABEL6][1], 72)
                self.assertLessEqual(at[LABEL6][0], 184)
                self.assertGreater(usage_rect.left, kids[LABEL5].rect.right)
                if usage_rect.right > client.right:
                    self.assertEqual(usage_rect.left, kids[LABEL5].rect.right + 4,
                                     (kids[LABEL5].text, kids[LABEL6].text))
                self.close_by_enter_and_check(main, box)

    def test_texts_and_memory_figures_agree_with_the_program_and_the_machine(self):
        drv = self.session.drv
        _, main = self.start_viewer()
        box = self.open_about(main)
        kids = self.controls(box)
        self.assertEqual(kids[LABEL1].text, "Ortholux")
        self.assertEqual(kids[LABEL2].text, "製品バージョン\u3000" + config.file_version())
        for label in (LABEL3, LABEL4):
            self.assertEqual(kids[label].cls, "TLabel")
            self.assertNotIn(kids[label].text.strip(), ("", "Label3", "Label4"))

        (total_kb, percent, used_kb, gauge), _ = self.figures_near_machine(box, delta=3)
        self.assertEqual(total_kb, kilobytes(drv.memory().ex_total))
        # The label's share is its own KB in use over the total.
        self.assertAlmostEqual(percent, used_kb * 100 / total_kb, delta=1)
        self.assertEqual(gauge.low, 0)
        self.assertGreater(gauge.high, 0)
        self.assertLessEqual(0, gauge.pos)
        self.assertLessEqual(gauge.pos, gauge.high)
        self.assertAlmostEqual(gauge.pos * 100 / gauge.high, percent, delta=1.5)
        self.close_by_enter_and_check(main, box)

    def test_name_label_follows_the_program_file_name(self):
        folder = self.session.run_dir / "別名"
        folder.mkdir(exist_ok=True)
        copy = folder / "表示ソ.exe"  # ソ ends in 0x5C, the path separator's byte
        shutil.copy(self.viewer, copy)
        _, main = self.start_viewer(copy)
        box = self.open_about(main)
        kids = self.controls(box)
        self.assertEqual(kids[LABEL1].text, "表示ソ")
        self.assertEqual(kids[LABEL2].text, "製品バージョン\u3000" + config.file_version())
        self.close_by_enter_and_check(main, box)

    def test_figures_follow_memory_taken_and_freed_by_another_process(self):
        # The truth here is the machine's own reading, taken around each of the box's: a
        # block taken by another process moves both alike, whatever else runs meanwhile. CTest
        # runs this module alone, so that the reading moves mostly with the block.
        drv = self.session.drv
        mem = drv.memory()
        size = mem.ex_total * 6 // 100 // 4096 * 4096  # about 6 points of the share
        if mem.ex_avail < 3 * size:
            self.skipTest(f"only {mem.ex_avail >> 20} MB free; {size >> 20} MB are taken")
        _, main = self.start_viewer()
        hidden = self.hidden_instance(main)
        box = self.open_about(main)
        (_, before, _, _), machine_before = self.figures_near_machine(box, delta=2)

        ready = self.session.run_dir / "memory-taken"
        ready.unlink(missing_ok=True)
        taker = subprocess.Popen([sys.executable, "-c", _MEMORY_TAKER, str(size), str(ready)],
                                 stdin=subprocess.DEVNULL)
        try:
            self.assertTrue(poll(ready.exists, timeout=60), "memory taker never got its block")
            taken = machine_share(machine_memory())
            self.assertGreaterEqual(
                taken, machine_before[1] + 3,
                f"the machine's own share went from {machine_before} to {taken:.1f}% with "
                f"{size >> 20} MB taken: something else freed memory meanwhile")
            taken_at = time.monotonic()
            raised = poll(lambda: self.usage_percent(box), lambda p: p >= taken - 2,
                          timeout=5, interval=0.1)
            latency = time.monotonic() - taken_at
            self.assertGreaterEqual(raised, taken - 2,
                                    f"Label6 stayed near {before}% with the machine at "
                                    f"{taken:.1f}%")
            self.assertLess(latency, 3.0, "figures took more than a timer tick and a read")
            (_, percent, _, gauge), _ = self.figures_near_machine(box, delta=2)
            self.assertAlmostEqual(gauge.pos * 100 / gauge.high, percent, delta=1.5)
            # The hidden instance's unseen figures follow too.
            self.assertGreaterEqual(
                poll(lambda: self.usage_percent(hidden), lambda p: p >= taken - 2, timeout=5),
                taken - 2)
        finally:
            taker.kill()
            taker.wait()
        # The kernel may take a moment to count the freed block as available again: the box
        # must come down from its peak to what the machine reports then.
        freed = poll(lambda: machine_share(machine_memory()), lambda m: m <= taken - 3,
                     timeout=10, interval=0.2)
        self.assertLessEqual(freed, taken - 3, "the machine never counted the block as freed")
        lowered = poll(lambda: self.usage_percent(box), lambda p: p <= freed + 2, timeout=10,
                       interval=0.2)
        self.assertLess(lowered, max(raised, percent), "Label6 did not come down after the free")
        (_, percent, _, gauge), _ = self.figures_near_machine(box, delta=2)
        self.assertAlmostEqual(gauge.pos * 100 / gauge.high, percent, delta=1.5)
        self.close_by_enter_and_check(main, box)

    def test_enter_close_box_and_alt_f4_close_it_and_each_command_opens_a_fresh_box(self):
        drv = self.session.drv
        proc, main = self.start_viewer()
        first = self.open_about(main)
        self.close_by_enter_and_check(main, first)

        second = self.open_about(main)
        self.assertNotEqual(second, first)
        self.assertEqual(self.controls(second)[LABEL1].text, "Ortholux")
        self.close_by_enter_and_check(main, second)

        third = self.open_about(main)
        self.session.key("alt+F4")
        self.assert_closed(main, third)

        fourth = self.open_about(main)
        r = drv.rect(fourth)
        self.session.click(r.right - 12, r.top + 12)  # the close box at the caption's end
        self.assert_closed(main, fourth)

        self.assertEqual(len({first, second, third, fourth}), 4)
        self.assertIsNone(proc.poll(), "closing the box ended the viewer")
        self.assertTrue(drv.info(main)["visible"])

    def test_click_on_the_link_opens_the_home_page_in_the_browser(self):
        _, main = self.start_viewer()
        box = self.open_about(main)
        kids = self.controls(box)
        address = kids[URL_LABEL].text
        self.assertRegex(address, r"^https?://\S+$")
        earlier = len(self.session.browser_calls())
        self.session.click(*kids[LABEL3].rect.center)  # not a link
        self.session.click(*kids[URL_LABEL].rect.center)
        calls = poll(lambda: self.session.browser_calls()[earlier:], timeout=20)
        time.sleep(1.0)  # a second launch, had there been one, would show by now
        self.assertEqual(calls, [address])
        self.assertEqual(self.session.browser_calls()[earlier:], [address])
        self.assertTrue(self.session.drv.info(box)["visible"])
        self.assertTrue(self.session.wait_keyboard(box, 10))
        self.close_by_enter_and_check(main, box)

    def test_hidden_instance_lives_through_the_run_with_its_figures_filled(self):
        drv = self.session.drv
        _, main = self.start_viewer()
        pid = drv.info(main)["pid"]  # the Windows process id
        hidden = self.hidden_instance(main)
        info = drv.info(hidden)
        self.assertEqual((info["text"], info["visible"], info["pid"]), (ABOUT_TITLE, False, pid))
        self.assertEqual(info["owner"], drv.info(main)["owner"])
        # Its creation handler ran: no design captions are left.
        kids = self.controls(hidden)
        self.assertEqual(kids[LABEL1].text, "Ortholux")
        self.assertEqual(kids[LABEL2].text, "製品バージョン\u3000" + config.file_version())
        self.assertIsNotNone(TOTAL_TEXT.fullmatch(kids[LABEL5].text), kids[LABEL5].text)
        usage(kids[LABEL6].text)

        box = self.open_about(main)
        shown = {w.hwnd: w.visible for w in drv.windows(ABOUT_CLASS)}
        self.assertEqual((shown.get(box), shown.get(hidden)), (True, False))
        self.close_by_enter_and_check(main, box)
        after = [w for w in drv.windows(ABOUT_CLASS) if w.hwnd == hidden]
        self.assertEqual([(w.visible, w.title) for w in after], [(False, ABOUT_TITLE)])
        self.assertEqual(drv.info(hidden)["pid"], pid)


if __name__ == "__main__":
    unittest.main()
