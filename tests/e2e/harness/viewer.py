"""The real Ortholux.exe as a user meets it: started with arguments, driven by keys, the open
dialog and file drops, and read back through its windows, status bar and screen pixels.

The main window is looked up by its class: while an error box shows, a look-up by the
title "Ortholux" meets the box first.
"""
import subprocess
from dataclasses import dataclass

from . import config
from .driver import Rect
from .thumbimage import expected_points, source_index
from .wineenv import poll

TITLE = "Ortholux"
MAIN_CLASS = "TMainForm1"
PANEL_ID, IMAGE_ID, STATUS_ID = 1001, 1002, 1003
DESIGN_SIZE = (257, 211)
OPEN_DIALOG_TITLE = "開く"  # Wine's own caption: the viewer gives its dialog none


@dataclass(frozen=True)
class State:
    """What the user sees of the window, apart from pixels."""
    texts: tuple
    first_panel_right: int
    outer: Rect


class Viewer:
    def __init__(self, session, proc, hwnd=None):
        self.session, self.proc, self.hwnd = session, proc, hwnd
        self.drv = session.drv

    @classmethod
    def start(cls, session, *args, wait=True, timeout=30.0):
        """Starts the viewer; with wait, until its main window shows and is active (a drawing
        that fails at start-up shows its error box first: then pass wait=False)."""
        viewer = cls(session, session.start(config.exe("Ortholux.exe"), args))
        if wait:
            viewer.wait_main(timeout)
        return viewer

    def wait_main(self, timeout=30.0):
        self.hwnd = self.session.wait_window(None, MAIN_CLASS, timeout)
        return self.hwnd

    def running(self):
        return self.proc.poll() is None

    def stop(self):
        """Kills the program and waits until its main window has gone, so that the next
        look-up by class cannot meet it."""
        self.session.stop(self.proc)
        if self.hwnd and not self.drv.gone(self.hwnd, 20):
            raise TimeoutError(f"main window {self.hwnd:#x} outlived its process")

    # ---- what is on screen ----
    def status(self):
        return self.drv.status(self.hwnd)

    def texts(self):
        return self.status().texts

    def outer(self):
        return self.drv.rect(self.hwnd)

    def size(self):
        r = self.outer()
        return (r.width, r.height)

    def state(self):
        bar = self.status()
        return State(tuple(bar.texts), bar.parts[0].right, self.outer())

    def image_rect(self):
        """Image1's screen rectangle: the area the thumbnail is stretched over."""
        [image] = [c for c in self.drv.children(self.hwnd) if c.id == IMAGE_ID]
        return image.rect

    def wait_texts(self, until, timeout=20.0):
        return poll(self.texts, until, timeout)

    def wait_size(self, size, timeout=20.0):
        return poll(self.size, lambda s: s == tuple(size), timeout)

    def image_colours(self, shot=None):
        """{colour: count} over the image area (its on-screen part)."""
        shot = shot or self.session.screenshot()
        r = self.image_rect()
        left, top = max(r.left, 0), max(r.top, 0)
        right, bottom = min(r.right, shot.width), min(r.bottom, shot.height)
        counts = {}
        for y in range(top, bottom):
            row = shot.rgb[(y * shot.width + left) * 3:(y * shot.width + right) * 3]
            if row == row[:3] * (right - left):  # one colour: the usual case, counted at once
                counts[tuple(row[:3])] = counts.get(tuple(row[:3]), 0) + right - left
                continue
            for i in range(0, len(row), 3):
                c = tuple(row[i:i + 3])
                counts[c] = counts.get(c, 0) + 1
        return counts

    def shrinks(self, picture):
        """True when the image area is smaller than the picture in either direction: the
        viewer then halftones, which mixes the colours where the picture changes colour."""
        area = self.image_rect()
        return area.width < picture.width or area.height < picture.height

    def compare_picture(self, picture, shot=None, step=6):
        """(seen, wrong): for a grid of the image area's on-screen points, (point, colours
        the stretched picture may show there, the pixel seen); wrong holds those whose
        pixel is none of the colours (nor, where the picture is shrunk, a mix of them)."""
        shot = shot or self.session.screenshot()
        mixed = self.shrinks(picture)
        seen = [(p, c, shot.pixel(*p)) for p, c in
                expected_points(picture, self.image_rect(), step,
                                visible=(0, 0, shot.width, shot.height))]
        return seen, [s for s in seen if not (s[2] in s[1] or mixed and is_mix(s[2], s[1]))]

    def unmixed_strays(self, picture, shot=None):
        """[(point, pixel)] of the image area whose colour the picture lacks although the
        picture holds one colour only all round the point's source pixel: a shrink's
        halftoning explains a mixed colour only where the picture changes colour."""
        shot = shot or self.session.screenshot()
        area, own = self.image_rect(), picture.colours()
        reach = 1 + max(-(-picture.width // area.width), -(-picture.height // area.height))
        uniform, strays = {}, []
        for y in range(max(area.top, 0), min(area.bottom, shot.height)):
            sy = source_index(y - area.top, area.height, picture.height)
            for x in range(max(area.left, 0), min(area.right, shot.width)):
                rgb = shot.pixel(x, y)
                if rgb in own:
                    continue
                sx = source_index(x - area.left, area.width, picture.width)
                if (sx, sy) not in uniform:
                    uniform[sx, sy] = len(picture.around(sx, sy, reach)) == 1
                if uniform[sx, sy]:
                    strays.append(((x, y), rgb))
        return strays

    def wait_picture(self, picture, timeout=15.0):
        """compare_picture, repeated until nothing differs (painting may lag behind)."""
        return poll(lambda: self.compare_picture(picture), lambda r: not r[1], timeout,
                    interval=0.3)

    def wait_empty_image(self, timeout=15.0):
        """{colour: count} of the image area once it shows one colour only."""
        return poll(self.image_colours, lambda c: len(c) == 1, timeout, interval=0.3)

    def background(self, shot=None):
        """The window's button-face colour, taken from the status bar's first panel."""
        shot = shot or self.session.screenshot()
        part = self.status().parts[0].rect
        return shot.pixel(part.left + 3, part.bottom - 4)

    # ---- a user's actions ----
    def keys(self, *keys):
        """Keys to the main window, once it is the foreground window again."""
        if not self.session.wait_keyboard(self.hwnd, 20):
            raise TimeoutError(f"main window {self.hwnd:#x} does not get the keys")
        self.session.key(*keys)

    def open_dialog(self):
        """File > Open by keyboard -> the dialog's hwnd."""
        self.keys("alt+f", "o")
        return self.drv.wait(OPEN_DIALOG_TITLE, "#32770", 20)

    def open_by_dialog(self, path):
        """Types the path (Wine form) into the dialog's file-name field and confirms."""
        dialog = self.open_dialog()
        self.drv.settext(dialog, 0x47C, path)
        self.drv.press(dialog, 1)

    def restore_size(self):
        """Edit > Restore window size: the Edit items have no access keys; the first one is
        highlighted when the menu opens by keyboard."""
        self.keys("alt+e", "Return")

    def exit(self):
        self.keys("alt+f", "e")

    def drop(self, files, at=None):
        """Drops Unix paths on the image area's centre (or at the screen point at)."""
        x, y = at or self.image_rect().center
        self.session.drop(files, x, y)

    def drag(self, start, end):
        """Holds the left button down at start (a screen point), moves to end in two steps
        and lets go: dragging a window's frame or corner."""
        (x0, y0), (x1, y1) = start, end
        mid = ((x0 + x1) // 2, (y0 + y1) // 2)
        subprocess.run(["xdotool", "mousemove", "--sync", str(x0), str(y0), "mousedown", "1",
                        "mousemove", str(mid[0]), str(mid[1]), "sleep", "0.2",
                        "mousemove", str(x1), str(y1), "sleep", "0.2", "mouseup", "1"],
                       env=self.session.env, check=True, capture_output=True, timeout=30)

    def error_box(self, timeout=20.0):
        return self.drv.msgbox(TITLE, timeout)

    def no_error_box(self, wait=2.0):
        """True when no box captioned "Ortholux" comes up within wait seconds."""
        try:
            self.drv.msgbox(TITLE, wait)
        except TimeoutError:
            return True
        return False

    def confirm(self, box):
        """Presses the box's OK and waits until it has gone."""
        self.drv.press(box.hwnd, 1)


def is_mix(rgb, colours):
    """True when each channel of rgb lies within the range of colours' (two or more)."""
    return len(colours) > 1 and all(min(c[i] for c in colours) <= rgb[i]
                                    <= max(c[i] for c in colours) for i in range(3))
