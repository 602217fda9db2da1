#!/usr/bin/env python3
"""Start-up time of the viewer with a drawing against a bare Win32 window, under Wine.

One Wine session (tests/e2e/harness), N interleaved rounds. Each round times, from the moment
the program is started to the moment the screen shows it:
  (a) Ortholux.exe DRAWING: until the drawing's thumbnail is on screen (pixels of the image
      area have the thumbnail's colours);
  (b) bare_window.exe W H, a window of the same outer size at the same place: until its
      painted colour is on screen.
Both are watched the same way: the screen pixels at a handful of probe points, read straight
from the X server (XGetImage through ctypes) every few milliseconds. The probe points come
from one untimed warm-up start of each program. Prints per-round times, the medians, their
ratio (the viewer's goal: at most 1.2) and the cost of one look at the screen.

With --sizes, the two contenders are instead the viewer on a 400 KB drawing and on a 1 GiB
(sparse) drawing that carries the same thumbnail: what a preview costs should not grow with
the drawing (goal: ratio at most 1.1).

    ORTHOLUX_BIN_DIR=build/win/bin python3 bench/startup_bench.py [--rounds 10]
        [--drawing samples/sample.dwg] [--bare PATH/bare_window.exe] [--sizes]
"""
import os
import argparse
import ctypes
import statistics
import sys
import time
from pathlib import Path

REPO = Path(__file__).resolve().parents[1]
sys.path.insert(0, str(REPO / "tests" / "e2e"))

from harness import WineSession, config  # noqa: E402

VIEWER_TITLE, VIEWER_CLASS, IMAGE_ID = "Ortholux", "TMainForm1", 1002
BARE_TITLE, BARE_COLOUR = "OlxBare", (0x20, 0xA0, 0x60)
POLL_INTERVAL = 0.002
TIMEOUT = 30.0


class ScreenPixels:
    """Pixels of the X root window, read without a screenshot file: one XGetImage of the
    probes' bounding box per look (well under a millisecond for a small box)."""

    Z_PIXMAP = 2

    def __init__(self, display):
        x = ctypes.CDLL("libX11.so.6")
        x.XOpenDisplay.restype = ctypes.c_void_p
        x.XOpenDisplay.argtypes = [ctypes.c_char_p]
        x.XDefaultRootWindow.restype = ctypes.c_ulong
        x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        x.XGetImage.restype = ctypes.c_void_p
        x.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                                ctypes.c_uint, ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
        x.XGetPixel.restype = ctypes.c_ulong
        x.XGetPixel.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_int]
        x.XDestroyImage.argtypes = [ctypes.c_void_p]
        x.XCloseDisplay.argtypes = [ctypes.c_void_p]
        self.x = x
        self.dpy = x.XOpenDisplay(display.encode())
        if not self.dpy:
            raise RuntimeError(f"cannot open X display {display}")
        self.root = x.XDefaultRootWindow(self.dpy)

    def close(self):
        self.x.XCloseDisplay(self.dpy)

    def grab(self, left, top, right, bottom):
        """{(x, y): (r, g, b)} for the rectangle (right, bottom excluded); 24-bit TrueColor."""
        image = self.x.XGetImage(self.dpy, self.root, left, top, right - left, bottom - top,
                                 0xFFFFFFFF, self.Z_PIXMAP)
        if not image:
            raise RuntimeError("XGetImage failed")
        try:
            out = {}
            for y in range(top, bottom):
                for x in range(left, right):
                    v = self.x.XGetPixel(image, x - left, y - top)
                    out[(x, y)] = ((v >> 16) & 255, (v >> 8) & 255, v & 255)
            return out
        finally:
            self.x.XDestroyImage(image)

    def shows(self, probes):
        """True when every probe point (x, y) -> colour has its colour now."""
        image = self.x.XGetImage(self.dpy, self.root, probes.left, probes.top,
                                 probes.right - probes.left, probes.bottom - probes.top,
                                 0xFFFFFFFF, self.Z_PIXMAP)
        if not image:
            raise RuntimeError("XGetImage failed")
        try:
            for (x, y), (r, g, b) in probes.points.items():
                if self.x.XGetPixel(image, x - probes.left, y - probes.top) & 0xFFFFFF \
                        != (r << 16) | (g << 8) | b:
                    return False
            return True
        finally:
            self.x.XDestroyImage(image)


class Probes:
    def __init__(self, points):
        self.points = dict(points)
        xs = [x for x, _ in self.points]
        ys = [y for _, y in self.points]
        self.left, self.top = min(xs), min(ys)
        self.right, self.bottom = max(xs) + 1, max(ys) + 1


def thumbnail_probes(pixels, image_rect, most=8):
    """Probe points of the thumbnail: the first pixel of each of its colours other than black
    and white (the empty screen is black), at most `most` of them, plus the image area's
    centre. Needs three such colours, so that nothing but this thumbnail passes."""
    area = pixels.grab(image_rect.left, image_rect.top, image_rect.right, image_rect.bottom)
    points = {}
    for point, colour in sorted(area.items(), key=lambda kv: (kv[0][1], kv[0][0])):
        if len(points) == most:
            break
        if colour not in ((0, 0, 0), (255, 255, 255)) and colour not in points.values():
            points[point] = colour
    if len(points) < 3:
        raise RuntimeError(f"the thumbnail shows too few colours to be told apart: {points}")
    centre = image_rect.center
    points[centre] = area[centre]
    return Probes(points)


def window_probes(client, colour):
    """The client area's centre and points 3 pixels inside its corners, all of one colour."""
    l, t, r, b = client.left + 3, client.top + 3, client.right - 4, client.bottom - 4
    return Probes({p: colour for p in ((l, t), (r, t), (l, b), (r, b), client.center)})


def wait_until(check, timeout):
    deadline = time.monotonic() + timeout
    while not check():
        if time.monotonic() > deadline:
            raise TimeoutError("the screen never changed as expected")
        time.sleep(0.01)


class Contender:
    """One program to start: how to start it, where its window is found, and what its
    first complete picture looks like (set by warm_up)."""

    def __init__(self, name, exe, args, title, cls=None):
        self.name, self.exe, self.args, self.title, self.cls = name, exe, args, title, cls
        self.probes = None
        self.times = []
        self.looks = []

    def time_start(self, session, pixels):
        if pixels.shows(self.probes):
            raise RuntimeError(f"{self.name}: its picture is on screen before the start")
        proc = self.time_until_shown(pixels, lambda: session.start(self.exe, self.args))
        self.end(session, proc, pixels)
        return self.times[-1]

    def time_until_shown(self, pixels, action):
        """Runs action() and records the seconds until this contender's picture is on
        screen (and how often the screen was looked at); returns what action() returned."""
        looks = 0
        started = time.perf_counter()
        result = action()
        while True:
            looks += 1
            if pixels.shows(self.probes):
                elapsed = time.perf_counter() - started
                break
            if time.perf_counter() - started > TIMEOUT:
                raise TimeoutError(f"{self.name}: not on screen after {TIMEOUT} s")
            time.sleep(POLL_INTERVAL)
        self.times.append(elapsed)
        self.looks.append(looks)
        return result

    def end(self, session, proc, pixels):
        """Closes the program and waits until it has ended and its window has left the
        screen, so that the next start meets a quiet Wine."""
        hwnd = session.drv.find(self.title, self.cls)
        if hwnd:
            session.drv.close(hwnd)
        session.stop(proc, timeout=20)
        wait_until(lambda: not pixels.shows(self.probes), 10)
        time.sleep(0.5)


def warm_up_viewer(session, pixels, viewer):
    """One untimed start of the viewer; its probe points come from the thumbnail on screen."""
    proc = session.start(viewer.exe, viewer.args)
    hwnd = session.wait_window(VIEWER_TITLE, VIEWER_CLASS, timeout=TIMEOUT, active=False)
    [image] = [c for c in session.drv.children(hwnd) if c.id == IMAGE_ID]
    outer = session.drv.rect(hwnd)
    time.sleep(1.0)  # let the first paint finish before the colours are read
    viewer.probes = thumbnail_probes(pixels, image.rect)
    viewer.end(session, proc, pixels)
    return outer


def warm_up(session, pixels, viewer, bare):
    """One untimed start of each: Wine's services come up, files get cached, and the probe
    points are taken from the windows' real places."""
    outer = warm_up_viewer(session, pixels, viewer)
    bare.args = [str(outer.width), str(outer.height)]
    proc = session.start(bare.exe, bare.args)
    hwnd = session.wait_window(BARE_TITLE, None, timeout=TIMEOUT, active=False)
    bare.probes = window_probes(session.drv.client(hwnd), BARE_COLOUR)
    wait_until(lambda: pixels.shows(bare.probes), 10)
    bare.end(session, proc, pixels)
    return outer


def look_cost(pixels, probes, count=200):
    """Median seconds of one look at the screen (XGetImage of the probes' box + compare)."""
    costs = []
    for _ in range(count):
        t = time.perf_counter()
        pixels.shows(probes)
        costs.append(time.perf_counter() - t)
    return statistics.median(costs)


def sized_drawings(folder, drawing):
    """The drawing padded to 400 KB, and the same bytes extended (sparse) to 1 GiB."""
    small, big = folder / "small.dwg", folder / "big.dwg"
    data = drawing.read_bytes()
    small.write_bytes(data + bytes(max(0, (400 << 10) - len(data))))
    big.write_bytes(small.read_bytes())
    os.truncate(big, 1 << 30)
    return small, big


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--rounds", type=int, default=10)
    parser.add_argument("--drawing", type=Path, default=REPO / "samples" / "sample.dwg")
    parser.add_argument("--bare", type=Path, help="bare_window.exe (default: in the bin dir)")
    parser.add_argument("--sizes", action="store_true",
                        help="time the viewer on a 1 GiB drawing against a 400 KB one")
    options = parser.parse_args()
    if options.sizes:
        return main_sizes(options)

    viewer = Contender("viewer", config.exe("Ortholux.exe"), [], VIEWER_TITLE, VIEWER_CLASS)
    bare = Contender("bare window", options.bare or config.exe("bare_window.exe"), [],
                     BARE_TITLE)
    with WineSession() as session:
        drawing = session.c_drive / "bench" / options.drawing.name
        drawing.parent.mkdir()
        drawing.write_bytes(options.drawing.read_bytes())
        viewer.args = [session.unix_to_wine_path(drawing)]
        pixels = ScreenPixels(session.display)
        try:
            outer = warm_up(session, pixels, viewer, bare)
            print(f"session set-up {session.timings['open']:.1f} s; window {outer.width} x "
                  f"{outer.height}; probes: viewer {len(viewer.probes.points)}, "
                  f"bare {len(bare.probes.points)}")
            print(f"{'round':>5} {'viewer s':>9} {'bare s':>9}")
            for n in range(options.rounds):
                order = (viewer, bare) if n % 2 == 0 else (bare, viewer)  # no side goes first
                for contender in order:
                    contender.time_start(session, pixels)
                print(f"{n + 1:>5} {viewer.times[-1]:>9.3f} {bare.times[-1]:>9.3f}", flush=True)
            costs = {c.name: look_cost(pixels, c.probes) for c in (viewer, bare)}
        finally:
            pixels.close()

    v, b = statistics.median(viewer.times), statistics.median(bare.times)
    print(f"median: viewer {v:.3f} s, bare window {b:.3f} s; ratio {v / b:.2f} "
          f"(goal at most 1.2); fastest of each: ratio {min(viewer.times) / min(bare.times):.2f}")
    for c in (viewer, bare):
        print(f"  {c.name}: min {min(c.times):.3f} s, max {max(c.times):.3f} s, median "
              f"{statistics.median(c.looks):.0f} looks; one look {costs[c.name] * 1000:.2f} ms "
              f"every {POLL_INTERVAL * 1000:.0f} ms")


def main_sizes(options):
    small = Contender("400 KB drawing", config.exe("Ortholux.exe"), [], VIEWER_TITLE,
                      VIEWER_CLASS)
    big = Contender("1 GiB drawing", config.exe("Ortholux.exe"), [], VIEWER_TITLE, VIEWER_CLASS)
    with WineSession() as session:
        folder = session.c_drive / "bench"
        folder.mkdir()
        paths = sized_drawings(folder, options.drawing)
        small.args, big.args = ([session.unix_to_wine_path(p)] for p in paths)
        pixels = ScreenPixels(session.display)
        try:
            outer = warm_up_viewer(session, pixels, small)
            warm_up_viewer(session, pixels, big)  # the same thumbnail: the same probes
            big.probes = small.probes
            print(f"window {outer.width} x {outer.height}; {len(small.probes.points)} probes")
            print(f"{'round':>5} {'400 KB s':>9} {'1 GiB s':>9}")
            for n in range(options.rounds):
                for contender in ((small, big) if n % 2 == 0 else (big, small)):
                    contender.time_start(session, pixels)
                print(f"{n + 1:>5} {small.times[-1]:>9.3f} {big.times[-1]:>9.3f}", flush=True)
        finally:
            pixels.close()
    s_med, b_med = statistics.median(small.times), statistics.median(big.times)
    print(f"median: 400 KB {s_med:.3f} s, 1 GiB {b_med:.3f} s; ratio {b_med / s_med:.3f} "
          f"(goal at most 1.1)")


if __name__ == "__main__":
    main()
