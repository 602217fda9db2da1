"""The harness tests itself against olxselftest.exe (tests/e2e/selftest/SelfTestApp.cpp):
window look-up, status bar texts read across processes, a real XDND drop, a menu command
by keyboard that opens a message box, pixels of a screenshot, and the platform services the
viewer's tests rely on."""
import os
import struct
import tempfile
import unittest

from harness import DriverError, Shot, WindowGone, WineTestCase, config, poll
from harness.driver import Driver, parse_lines

TITLE = "E2E自己テスト"
CLASS = "OlxSelfTest"
BOX_TEXT = "表示テスト\nソース: 1行目"
BACKGROUND = (0x33, 0x66, 0x99)
MARKER = (0xE0, 0x10, 0x20)  # painted at client (20, 20)-(60, 60)
ADDR_NO_RANDOMIZE = 0x0040000  # a personality flag (linux/personality.h)


class SelfTestApp(WineTestCase):
    @classmethod
    def setUpClass(cls):
        # Fail, never skip, when the programs are missing.
        cls.app = config.exe("olxselftest.exe")
        config.exe("olxdriver.exe")
        config.xdrop()
        super().setUpClass()

    def launch(self, *args):
        proc = self.session.start(self.app, args)
        return proc, self.session.wait_window(TITLE, CLASS)

    def status_texts(self, hwnd, until, timeout=10.0):
        return poll(lambda: self.session.drv.status(hwnd).texts, until, timeout)

    def test_session_settings_in_the_registry(self):
        # Managed=N: without it every hide or close of a window takes 2 s.
        done = self.session.wine("reg", "query", "HKCU\\Software\\Wine\\X11 Driver", "/v",
                                 "Managed")
        self.assertRegex(done.stdout.decode("cp932"), r"Managed\s+REG_SZ\s+N")
        done = self.session.wine("reg", "query", "HKCU\\Software\\Wine\\WineBrowser")
        self.assertIn(str(self.session.run_dir / "browser.sh"), done.stdout.decode("cp932"))
        desktop = self.session.profile / "Desktop"
        self.assertEqual(desktop.resolve(), self.session.desktop.resolve())

    def test_title_bars_get_marlett_and_a_proportional_caption_font(self):
        fonts = self.session.drv.fonts()
        # Without Marlett the caption buttons show as the letters "0", "1" and "r".
        self.assertEqual(fonts["marlett"].face, "Marlett")
        self.assertTrue(fonts["caption"].proportional, fonts["caption"])
        self.assertEqual(fonts["caption"].face, "IPA Pゴシック")

    def test_window_found_with_its_geometry_and_texts(self):
        drv = self.session.drv
        proc, hwnd = self.launch()
        self.assertEqual(drv.find(TITLE), hwnd)
        self.assertEqual(drv.find(None, CLASS), hwnd)
        self.assertIsNone(drv.find("無い窓"))
        self.assertEqual(drv.text(hwnd), TITLE)
        self.assertTrue(drv.visible(hwnd))
        self.assertIsNone(drv.owner(hwnd))
        rect, client = drv.rect(hwnd), drv.client(hwnd)
        self.assertEqual((rect.left, rect.top, rect.width, rect.height), (100, 100, 480, 320))
        self.assertTrue(rect.contains(client))
        info = drv.info(hwnd)
        self.assertEqual((info["class"], info["text"], info["enabled"]), (CLASS, TITLE, True))
        [win] = [w for w in drv.windows(CLASS)]
        self.assertEqual((win.hwnd, win.title, win.visible), (hwnd, TITLE, True))
        kids = {c.id: c for c in drv.children(hwnd)}
        self.assertEqual(kids[200].cls, "msctls_statusbar32")
        self.assertEqual((kids[202].cls, kids[202].text), ("Edit", "編集欄"))
        self.assertTrue(client.contains(kids[201].rect))
        self.assertIsNone(proc.poll())
        # Started without address randomisation, like every Wine program of the session.
        with open(f"/proc/{proc.pid}/personality") as f:
            self.assertTrue(int(f.read(), 16) & ADDR_NO_RANDOMIZE)

    def test_status_bar_parts_and_command_line_argument_in_cp932(self):
        _, hwnd = self.launch("引数ソ表 x")  # ソ and 表 end in 0x5C
        bar = self.session.drv.status(hwnd)
        self.assertEqual(bar.texts, ["準備完了", "引数ソ表 x"])
        self.assertEqual([p.right for p in bar.parts], [150, -1])
        self.assertFalse(bar.simple)
        self.assertEqual(bar.parts[0].rect.width, 150)
        self.assertEqual(bar.parts[1].rect.right, self.session.drv.client(hwnd).right)

    def test_driver_arguments_arrive_as_cp932(self):
        acp, args = self.session.drv.echo("図面ソ表.dwg", "a\tb", "")
        self.assertEqual(acp, 932)
        self.assertEqual(args, ["図面ソ表.dwg".encode("cp932"), b"a\tb", b""])

    def test_drop_of_two_files_arrives_as_wm_dropfiles_in_cp932(self):
        folder = self.session.run_dir / "ドロップ"
        folder.mkdir(exist_ok=True)
        drawing, text = folder / "図面.dwg", folder / "a b%#.txt"
        drawing.write_bytes(b"AC1015")
        text.write_text("x")
        _, hwnd = self.launch()
        self.session.drop([drawing, text], *self.session.drv.client(hwnd).center)
        texts = self.status_texts(hwnd, lambda t: t[0] != "準備完了")
        wine_names = [self.session.unix_to_wine_path(p) for p in (drawing, text)]
        self.assertTrue(wine_names[0].startswith("Z:\\tmp\\"), wine_names[0])
        self.assertEqual(texts, ["ドロップ 2", "|".join(wine_names)])

    def test_drop_where_no_window_accepts_files_is_refused(self):
        _, hwnd = self.launch("--no-drop")
        with self.assertRaisesRegex(RuntimeError, "refused"):
            self.session.drop([__file__], *self.session.drv.client(hwnd).center)
        self.assertEqual(self.session.drv.status(hwnd).texts, ["準備完了", "--no-drop"])
        with self.assertRaisesRegex(RuntimeError, "no XdndAware window"):
            self.session.drop([__file__], 1200, 1000)  # the bare root window

    def test_menu_by_keyboard_opens_a_message_box_that_the_driver_reads_and_answers(self):
        _, hwnd = self.launch()
        self.session.key("alt+f", "m")
        box = self.session.drv.msgbox(TITLE, timeout=5)
        self.assertEqual((box.caption, box.text, box.owner), (TITLE, BOX_TEXT, hwnd))
        self.assertEqual(box.buttons, {1: "OK", 2: "キャンセル"})
        self.assertFalse(self.session.drv.info(hwnd)["enabled"])  # modal: owner disabled
        self.session.drv.press(box.hwnd, 2)
        self.assertEqual(self.status_texts(hwnd, lambda t: t[0] == "応答 2")[0], "応答 2")
        self.assertTrue(self.session.drv.info(hwnd)["enabled"])

    def test_enter_confirms_the_message_box(self):
        _, hwnd = self.launch()
        self.session.key("alt+f", "m")
        box = self.session.drv.msgbox(TITLE)
        self.assertTrue(self.session.wait_keyboard(box.hwnd, 5))
        self.session.key("Return")
        self.assertTrue(self.session.drv.gone(box.hwnd, 5))
        self.assertEqual(self.status_texts(hwnd, lambda t: t[0] == "応答 1")[0], "応答 1")

    def test_screenshot_shows_the_painted_colours(self):
        _, hwnd = self.launch()
        client = self.session.drv.client(hwnd)
        path = self.session.run_dir / "shot.png"
        shot = self.session.screenshot(path)
        self.assertTrue(path.read_bytes().startswith(b"\x89PNG"))
        x, y = client.left, client.top
        self.assertEqual(shot.pixel(x + 40, y + 40), MARKER)
        self.assertEqual(shot.pixel(x + 10, y + 100), BACKGROUND)
        self.assertEqual(shot.count(MARKER, (x, y, x + 80, y + 80)), 40 * 40)

    def test_progress_bar_and_edit_text_across_processes(self):
        drv = self.session.drv
        _, hwnd = self.launch()
        p = drv.progress(hwnd)
        self.assertEqual((p.low, p.high, p.pos), (0, 1000, 250))
        drv.settext(hwnd, 202, "新しい表")
        edit = [c for c in drv.children(hwnd) if c.id == 202][0]
        self.assertEqual(drv.text(edit.hwnd), "新しい表")

    def test_exit_by_menu_and_quit_message_end_the_process(self):
        proc, hwnd = self.launch()
        self.session.key("alt+f", "x")
        self.assertEqual(self.session.wait_exit(proc, 10), 0)
        self.assertFalse(self.session.running())
        proc, hwnd = self.launch()
        self.session.drv.quit(hwnd)
        self.assertEqual(self.session.wait_exit(proc, 10), 0)
        self.assertIsNone(self.session.drv.find(TITLE))

    def test_web_address_goes_to_the_recording_browser(self):
        self.launch()
        self.session.key("alt+f", "h")
        calls = poll(self.session.browser_calls, timeout=10)
        self.assertEqual(calls, ["http://example.invalid/olx?q=1"])

    def test_shell_link_round_trip_and_path_forms(self):
        drv, s = self.session.drv, self.session
        lnk = s.desktop / "テスト.lnk"
        target = s.unix_to_wine_path(config.exe("olxselftest.exe"))
        workdir = target.rsplit("\\", 1)[0]
        drv.writelnk(s.unix_to_wine_path(s.desktop) + "\\テスト.lnk", target, workdir)
        self.assertTrue(lnk.is_file())
        link = drv.readlnk(s.unix_to_wine_path(lnk))
        self.assertEqual((link.target, link.workdir, link.args), (target, workdir, ""))

        long_file = s.c_drive / "長い名前のフォルダ" / "Long Drawing Name.dwg"
        long_file.parent.mkdir()
        long_file.write_bytes(b"x")
        long_name = s.unix_to_wine_path(long_file)
        self.assertTrue(long_name.startswith("C:\\長い名前のフォルダ\\"), long_name)
        short = drv.shortpath(long_name)
        self.assertNotEqual(short, long_name)
        self.assertTrue(short.upper().endswith(".DWG") and "~" in short, short)
        self.assertEqual(drv.longpath(short), long_name)
        self.assertIsNone(drv.shortpath("C:\\無い\\ファイル.dwg"))
        self.assertEqual(s.wine_to_unix_path(long_name), long_file)

    def test_wine_notepad_typing_menu_keys_and_status_bar(self):
        # A program the harness did not build.
        s = self.session
        s.start("notepad.exe")
        hwnd = s.wait_window(None, "Notepad")
        s.type_text("Hello e2e 123")
        [edit] = [c for c in s.drv.children(hwnd) if c.cls == "Edit"]
        self.assertEqual(poll(lambda: s.drv.text(edit.hwnd), lambda t: t == "Hello e2e 123"),
                         "Hello e2e 123")
        bar = s.drv.status(hwnd)
        self.assertEqual(poll(lambda: s.drv.status(hwnd).texts, lambda t: t == ["1 行、14 列"]),
                         ["1 行、14 列"])
        s.key("alt+v", "s")  # 表示 > ステータス バー hides it
        self.assertFalse(poll(lambda: s.drv.visible(bar.hwnd), lambda v: not v))
        s.drv.settext(edit.hwnd, None, "日本語ソ表")  # xdotool types non-ASCII unreliably
        self.assertEqual(s.drv.text(edit.hwnd), "日本語ソ表")

        # The open dialog: its file-name field is control 0x47c (a ComboBoxEx32).
        memo = s.run_dir / "開くソ.txt"
        memo.write_text("中身", encoding="cp932")
        s.key("alt+f", "o")  # no "save changes?": WM_SETTEXT cleared the modified flag
        dialog = s.drv.wait("開く", "#32770")
        s.drv.settext(dialog, 0x47c, s.unix_to_wine_path(memo))
        s.drv.press(dialog, 1)
        self.assertEqual(poll(lambda: s.drv.text(hwnd), lambda t: t.startswith("開くソ")),
                         "開くソ.txt - メモ帳")
        self.assertEqual(s.drv.text(edit.hwnd), "中身")

    def test_memory_figures_are_the_hosts(self):
        mem = self.session.drv.memory()
        with open("/proc/meminfo") as f:
            host_kb = int(next(line for line in f if line.startswith("MemTotal:")).split()[1])
        self.assertAlmostEqual(mem.ex_total / 1024, host_kb, delta=host_kb * 0.01)
        self.assertLessEqual(mem.ex_avail, mem.ex_total)
        self.assertEqual(mem.total, mem.ex_total)

    def test_driver_reports_bad_handles_as_errors(self):
        with self.assertRaisesRegex(WindowGone, "window gone"):
            self.session.drv.text(0x7FFFFFF0)
        with self.assertRaisesRegex(DriverError, "not a window handle"):
            self.session.drv.call("text", "zz")
        with self.assertRaises(TimeoutError):
            self.session.drv.wait("無い窓", timeout=0.3)

    def test_window_destroyed_after_its_look_up_is_gone_not_an_error(self):
        drv = self.session.drv
        proc, hwnd = self.launch()
        self.assertEqual(drv.wait_class(TITLE), (hwnd, CLASS))
        drv.quit(hwnd)
        self.assertEqual(self.session.wait_exit(proc, 10), 0)
        for read in (drv.info, drv.text, drv.status, drv.children, drv.rect):
            with self.subTest(read.__name__), self.assertRaises(WindowGone):
                read(hwnd)
        # Waiting for a destroyed window to come to the front ends at once.
        with self.assertRaises(WindowGone):
            drv.wait_foreground(hwnd, 20)
        # The next copy's window is found afresh, not the ended one's.
        _, again = self.launch()
        self.assertNotEqual(again, hwnd)


class DriverOutputAndScreenshots(unittest.TestCase):
    """The parsing half of the harness, without Wine."""

    def test_escapes_and_double_byte_characters_with_a_5c_second_byte(self):
        # 表 = 95 5C, ソ = 83 5C pass whole; "\\" is a backslash, "\n" a line feed.
        out = b"text\t\x95\x5c\x83\x5c\\\\\\n\\x01\\t.\nnext\t1\n"
        self.assertEqual(parse_lines(out), [["text", "表ソ\\\n\x01\t."], ["next", "1"]])

    def test_only_a_run_that_reached_its_end_line_answered(self):
        answers = []
        drv = Driver(lambda args, timeout: answers.pop(0))
        # Wine's exit status 1 of a program it could not start is no "not found", and no
        # question is asked twice.
        answers[:] = [(1, b"", b"err:virtual:x failed\n"), (1, b"end\t1\n", b"")]
        with self.assertRaisesRegex(DriverError, r"ended without an answer \(exit 1.*failed"):
            drv.find("x")
        self.assertEqual(len(answers), 1)
        self.assertIsNone(drv.find("x"))
        answers[:] = [(0, b"window\t0x10\t0x0\t1\tC\t0\t0\t1\t1\tT\n", b"")]
        with self.assertRaisesRegex(DriverError, "ended without an answer"):
            drv.windows()

    def test_ppm_pixels_and_png_output(self):
        ppm = b"P6\n# comment\n3 2\n255\n" + bytes(range(18))
        shot = Shot.from_ppm(ppm)
        self.assertEqual(shot.pixel(2, 1), (15, 16, 17))
        self.assertEqual(shot.count((3, 4, 5), (0, 0, 3, 2)), 1)
        with self.assertRaises(IndexError):
            shot.pixel(3, 0)
        with tempfile.TemporaryDirectory() as folder:
            path = os.path.join(folder, "s.png")
            shot.save_png(path)
            with open(path, "rb") as f:
                data = f.read()
        self.assertEqual(data[:8], b"\x89PNG\r\n\x1a\n")
        self.assertEqual(struct.unpack(">II", data[16:24]), (3, 2))


if __name__ == "__main__":
    unittest.main()
