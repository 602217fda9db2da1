"""The viewer and its About box at the screen's dpi setting (HKCU\\Control Panel\\Desktop
LogPixels, read by each program at its start): at 96 every size is as designed; at 144 every
designed length is 1.5 times as long, and so is the size a drawing gives the window. The menu
stays on one line, every About-box label is as large as its text in its scaled font, and the
thumbnail is stretched over the whole image area. WM_DPICHANGED, as a move to a screen of
another setting sends it, lays both windows out for the new setting, the status bar's text
included. A thumbnail that asks for more than the screen's work area gets a window that fits
it, its image area shrunk to the same shape.

The expected figures are computed here from the designed ones, independently of the viewer.
"""
import unittest

from harness import drawings, poll
from harness.drawings import ShownQuadrants
from harness.driver import Rect
from harness.viewer import Viewer
from harness.viewercase import ViewerTestCase, centred

DESKTOP_KEY = r"HKCU\Control Panel\Desktop"
ABOUT_TITLE, ABOUT_CLASS = "バージョン情報", "TForm1"
GOTHIC, MINCHO = "ＭＳ Ｐゴシック", "ＭＳ Ｐ明朝"

# About box: control id -> designed (left, top, width, height) for fixed-size controls.
FIXED = {101: (8, 16, 41, 41), 106: (8, 96, 297, 17), 1: (228, 161, 75, 25)}
# Labels: id -> (left, top, face, character height, bold).
LABELS = {
    102: (64, 16, MINCHO, 20, True), 103: (64, 48, MINCHO, 16, False),
    104: (8, 72, GOTHIC, 12, False), 105: (184, 72, GOTHIC, 12, False),
    107: (8, 128, GOTHIC, 13, False), 108: (8, 152, GOTHIC, 13, False),
    109: (8, 168, GOTHIC, 13, False),
}
USAGE_LABEL = 105  # moves left of its place when the machine's figures make it too long


def scaled(value, dpi):
    """A designed length at dpi: to the nearest pixel, halves away from zero."""
    q, r = divmod(abs(value) * dpi, 96)
    q += 1 if 2 * r >= 96 else 0
    return q if value >= 0 else -q


def trunc_div(a, b):
    q = abs(a) // abs(b)
    return q if (a >= 0) == (b > 0) else -q


def drawing_size(code, width, height, dpi):
    """Outer size for a thumbnail: each side x 1.4 x dpi/96 (x dpi/96 for 1012), toward
    zero, the height allowance 73 scaled, and the scaled minimum."""
    factor, den = (1, 96) if code == "1012" else (14, 960)
    w = trunc_div(width * factor * dpi, den)
    h = trunc_div(height * factor * dpi, den) + scaled(73, dpi)
    return max(w, scaled(180, dpi)), max(h, scaled(173, dpi))


class DpiLayout:
    """The checks, run by one class per setting below."""
    DPI = 96

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        done = cls.session.wine("reg", "add", DESKTOP_KEY, "/v", "LogPixels", "/t",
                                "REG_DWORD", "/d", str(cls.DPI), "/f")
        assert done.returncode == 0, done.stderr
        cls.metrics = cls.session.drv.metrics()  # started after the setting: reads it too
        assert cls.metrics["dpi"] == cls.DPI, cls.metrics

    def s(self, value):
        return scaled(value, self.DPI)

    # ---- the main window ----
    def assert_layout(self, viewer, size, first_panel_right=None):
        drv = self.session.drv
        outer, client = viewer.outer(), drv.client(viewer.hwnd)
        self.assertEqual((outer.width, outer.height), size)
        bar = viewer.status()
        self.assertEqual(bar.height, self.s(20))
        self.assertEqual(bar.width, client.width)
        self.assertEqual(bar.parts[0].rect.bottom, client.bottom)
        self.assertEqual(bar.parts[0].right,
                         bar.width // 2 if first_panel_right is None else first_panel_right)
        kids = {c.id: c.rect for c in drv.children(viewer.hwnd)}
        panel, image = kids[1001], kids[1002]
        self.assertEqual(panel, Rect(client.left, client.top, client.right,
                                     client.bottom - self.s(20)))
        self.assertEqual(image, Rect(panel.left + 2, panel.top + 2, panel.right - 2,
                                     panel.bottom - 2))
        self.assert_one_menu_line(viewer, outer, client)

    def assert_one_menu_line(self, viewer, outer, client):
        # Another process's menu can't be read: the menu bar is what lies between the frame
        # with its caption and the client area, one line of it SM_CYMENU high. Narrower than
        # designed (down to the minimum) the three menus take two lines, at 96 dpi as at 144.
        m = self.metrics
        menu = client.top - outer.top - m["caption"] - m["sizeframe"]
        lines = 1 if outer.width >= self.s(257) else 2
        self.assertIn(menu, range(m["menu"], lines * m["menu"] + 1),
                      f"menu bar {menu} high at width {outer.width}; one line is {m['menu']}")

    def test_main_window_at_start_with_one_line_of_menu(self):
        viewer = Viewer.start(self.session)
        size = (self.s(257), self.s(211))
        self.assert_layout(viewer, size, first_panel_right=self.s(50))
        outer = viewer.outer()
        self.assertEqual((outer.left, outer.top), centred(size))
        self.session.screenshot().save_png(self.session.run_dir / f"main-{self.DPI}.png")

        # The smallest the user can drag it to.
        viewer.drag((outer.right - 2, outer.bottom - 2), (outer.left + 20, outer.top + 20))
        minimum = (self.s(180), self.s(173))
        self.assertEqual(viewer.wait_size(minimum), minimum)

    def test_drawings_size_the_window_and_fill_the_image_area(self):
        viewer = Viewer.start(self.session)
        shapes = [("1015", 180, 120), ("1012", 180, 120), ("1018", 250, 150), ("1012", 10, 10)]
        for i, (code, width, height) in enumerate(shapes):
            with self.subTest(code=code, width=width, height=height):
                path = drawings.write(self.session.run_dir / f"dpi{self.DPI}" / f"d{i}.dwg",
                                      code=code, width=width, height=height)
                viewer.drop([path])
                self.assertEqual(viewer.wait_texts(lambda t: t[0] == f"d{i}")[0], f"d{i}")
                size = drawing_size(code, width, height, self.DPI)
                self.assertEqual(viewer.wait_size(size), size)
                self.assert_layout(viewer, size)
                self.assert_picture(viewer, ShownQuadrants(width, height))
        viewer.restore_size()
        design = (self.s(257), self.s(211))
        self.assertEqual(viewer.wait_size(design), design)
        self.assert_layout(viewer, design)

    def text_height(self, viewer):
        """Rows of the first panel holding text pixels, first to last: the drawn text's
        height (the panel's sunken edge is mid-grey, lighter than the threshold)."""
        part = viewer.status().parts[0].rect
        shot = self.session.screenshot()
        rows = [y for y in range(part.top + 2, part.bottom - 2)
                if any(sum(shot.pixel(x, y)) < 200 for x in range(part.left + 2, part.right - 2))]
        return rows[-1] - rows[0] + 1 if rows else 0

    def test_status_text_follows_the_dpi(self):
        s, drv = self.session, self.session.drv
        other = 144 if self.DPI == 96 else 96
        path = drawings.write(s.run_dir / f"text{self.DPI}" / "図面.dwg", code="1015")
        viewer = Viewer.start(s, s.unix_to_wine_path(path))
        self.assertEqual(viewer.wait_texts(lambda t: t[0] == "図面")[0], "図面")
        height = poll(lambda: self.text_height(viewer), bool)
        # Two kanji fill most of a line of the form's font at this setting.
        line = drv.textsize(GOTHIC, self.s(12), "図面")[1]
        self.assertIn(height, range(line * 3 // 5, line + 1), f"line {line}")

        outer = viewer.outer()
        drv.dpichanged(viewer.hwnd, other, Rect(outer.left, outer.top,
                                                outer.left + outer.width * other // self.DPI,
                                                outer.top + outer.height * other // self.DPI))
        expected = height * other / self.DPI
        changed = poll(lambda: self.text_height(viewer), lambda h: abs(h - expected) <= 1.5)
        self.assertLessEqual(abs(changed - expected), 1.5, (height, changed))

    # ---- the About box ----
    def open_about(self, viewer):
        viewer.keys("alt+h", "a")
        return self.session.drv.wait(ABOUT_TITLE, ABOUT_CLASS, 20)

    def assert_about_layout(self, box, dpi):
        drv = self.session.drv
        s = lambda v: scaled(v, dpi)  # noqa: E731
        client = drv.client(box)
        self.assertEqual((client.width, client.height), (s(315), s(196)))
        kids = {c.id: c for c in drv.children(box)}
        rect = {i: Rect(k.rect.left - client.left, k.rect.top - client.top,
                        k.rect.right - client.left, k.rect.bottom - client.top)
                for i, k in kids.items()}
        for i, (left, top, width, height) in FIXED.items():
            self.assertEqual(rect[i], Rect(s(left), s(top), s(left) + s(width), s(top) + s(height)),
                             i)
        for i, (left, top, face, height, bold) in LABELS.items():
            r = rect[i]
            # As large as its text in its font at this setting: the whole text shows.
            extent = drv.textsize(face, s(height), kids[i].text, bold)
            self.assertEqual((r.width, r.height), extent, (i, kids[i].text))
            self.assertEqual(r.top, s(top), i)
            if i == USAGE_LABEL:
                # Moved left to stay whole, but never onto the total: a large machine's
                # figures can leave too little room between the two (at 96 dpi too).
                self.assertLessEqual(r.left, s(left))
                if r.right > client.width:
                    self.assertEqual(r.left, rect[104].right + s(4))
                    continue
            else:
                self.assertEqual(r.left, s(left), i)
            self.assertTrue(Rect(0, 0, client.width, client.height).contains(r), (i, r))
        # No label runs into another or under the button.
        boxes = [rect[i] for i in (*LABELS, 1)]
        for a in range(len(boxes)):
            for b in range(a + 1, len(boxes)):
                p, q = boxes[a], boxes[b]
                overlap = (p.left < q.right and q.left < p.right and p.top < q.bottom
                           and q.top < p.bottom)
                self.assertFalse(overlap, (p, q))

    def test_about_box_layout_and_whole_labels(self):
        viewer = Viewer.start(self.session)
        box = self.open_about(viewer)
        self.assert_about_layout(box, self.DPI)
        self.session.screenshot().save_png(self.session.run_dir / f"about-{self.DPI}.png")
        self.session.key("Return")
        self.assertTrue(self.session.drv.gone(box, 10))

    # ---- a move to a screen of another setting ----
    def test_dpi_change_lays_both_windows_out_anew(self):
        drv = self.session.drv
        other = 144 if self.DPI == 96 else 96
        viewer = Viewer.start(self.session)
        outer = viewer.outer()
        # As the system suggests it: the same corner, the size scaled by the ratio.
        ratio = lambda v: v * other // self.DPI  # noqa: E731
        suggested = Rect(outer.left, outer.top, outer.left + ratio(outer.width),
                         outer.top + ratio(outer.height))
        drv.dpichanged(viewer.hwnd, other, suggested)
        self.assertEqual(viewer.outer(), suggested)
        bar = viewer.status()
        self.assertEqual(bar.height, scaled(20, other))
        self.assertEqual(bar.parts[0].right, scaled(50, other))
        # Restore window size gives the new setting's design size.
        viewer.restore_size()
        design = (scaled(257, other), scaled(211, other))
        self.assertEqual(viewer.wait_size(design), design)

        box = self.open_about(viewer)
        r = drv.rect(box)
        drv.dpichanged(box, other, Rect(r.left, r.top, r.left + ratio(r.width),
                                        r.top + ratio(r.height)))
        self.assert_about_layout(box, other)
        self.session.key("Return")
        self.assertTrue(drv.gone(box, 10))


class ViewerAt96Dpi(DpiLayout, ViewerTestCase):
    DPI = 96


class ViewerAt144Dpi(DpiLayout, ViewerTestCase):
    DPI = 144

    def test_a_thumbnail_too_large_for_the_screen_gets_a_window_within_the_work_area(self):
        # 670 x 448 asks for 1407 x 1050 here, more than the 1280 x 1024 screen.
        s, drv = self.session, self.session.drv
        code, width, height = "1027", 670, 448
        wanted = drawing_size(code, width, height, self.DPI)
        path = drawings.write(s.run_dir / "large" / "large.dwg", code=code, width=width,
                              height=height)
        viewer = Viewer.start(s, s.unix_to_wine_path(path))
        self.assertEqual(viewer.wait_texts(lambda t: t[0] == "large")[0], "large")
        work, outer = drv.workarea(viewer.hwnd), viewer.outer()
        self.assertGreater(wanted[1], work.height)
        self.assertTrue(work.contains(outer), (work, outer))
        for part in viewer.status().parts:
            self.assertTrue(work.contains(part.rect), (work, part.rect))
        # As large as fits: one side takes the work area's whole length.
        self.assertTrue(outer.width == work.width or outer.height == work.height, outer)
        # The image area has the shape it would have had at the size asked for.
        image = viewer.image_rect()
        frame = (outer.width - image.width, outer.height - image.height)
        aspect = (wanted[0] - frame[0]) / (wanted[1] - frame[1])
        self.assertLess(abs(image.width - image.height * aspect), 1.5 * aspect, (image, aspect))
        self.assert_picture(viewer, ShownQuadrants(width, height))


if __name__ == "__main__":
    unittest.main()
