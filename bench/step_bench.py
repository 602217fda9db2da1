#!/usr/bin/env python3
"""Stepping to the next drawing of the folder against opening that drawing at start-up, under
Wine.

One Wine session (tests/e2e/harness), N interleaved rounds, timed to the moment the screen
shows the drawing's thumbnail (probe pixels read straight from the X server, as
startup_bench.py does):
  (a) step: the viewer shows a.dwg; from the press of the right arrow (an XTest key event,
      no helper process) until b.dwg's thumbnail is on screen;
  (b) start-up: from starting Ortholux.exe b.dwg until the same thumbnail is on screen.
Both drawings have thumbnails of one size and different pictures, so that the window keeps
its place and the probe points are the same. Prints per-round times, the medians and their
ratio (step / start-up).

    ORTHOLUX_BIN_DIR=build/win/bin python3 bench/step_bench.py [--rounds 10]
"""
import argparse
import ctypes
import statistics
import sys
import time
from pathlib import Path

REPO = Path(__file__).resolve().parents[1]
sys.path.insert(0, str(REPO / "tests" / "e2e"))
sys.path.insert(0, str(REPO / "bench"))

from harness import WineSession, config, drawings  # noqa: E402
from startup_bench import (POLL_INTERVAL, TIMEOUT, VIEWER_CLASS, VIEWER_TITLE,  # noqa: E402
                           Contender, ScreenPixels, look_cost, thumbnail_probes, wait_until)

XK_RIGHT = 0xFF53
RED, BLUE, GREEN, WHITE = drawings.RED, drawings.BLUE, drawings.GREEN, drawings.WHITE


def stripes(colours, across, width=180, height=120):
    """pixel(x, y): bands of the colours, side by side (across) or stacked."""
    def pixel(x, y):
        return colours[x * len(colours) // width if across else y * len(colours) // height]
    return pixel


class KeyPress:
    """The right arrow through XTest on the session's display: no process started per key."""

    def __init__(self, pixels):
        self.x = pixels.x
        self.dpy = pixels.dpy
        self.xtst = ctypes.CDLL("libXtst.so.6")
        self.xtst.XTestFakeKeyEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int,
                                                ctypes.c_ulong]
        self.x.XKeysymToKeycode.restype = ctypes.c_ubyte
        self.x.XKeysymToKeycode.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
        self.x.XFlush.argtypes = [ctypes.c_void_p]
        self.code = self.x.XKeysymToKeycode(self.dpy, XK_RIGHT)

    def right(self):
        self.xtst.XTestFakeKeyEvent(self.dpy, self.code, 1, 0)
        self.xtst.XTestFakeKeyEvent(self.dpy, self.code, 0, 0)
        self.x.XFlush(self.dpy)


class Stepper(Contender):
    """The viewer started on a.dwg (untimed), then one timed step to b.dwg."""

    def __init__(self, exe, args, key):
        super().__init__("step", exe, args, VIEWER_TITLE, VIEWER_CLASS)
        self.key = key
        self.from_probes = None

    def time_start(self, session, pixels):
        proc = session.start(self.exe, self.args)
        hwnd = session.wait_window(VIEWER_TITLE, VIEWER_CLASS, timeout=TIMEOUT)
        wait_until(lambda: pixels.shows(self.from_probes), TIMEOUT)
        if not session.wait_keyboard(hwnd, TIMEOUT):
            raise TimeoutError("the viewer does not get the keys")
        if pixels.shows(self.probes):
            raise RuntimeError("step: b.dwg is on screen before the key")
        self.time_until_shown(pixels, self.key.right)
        self.end(session, proc, pixels)
        return self.times[-1]


def probes_of(session, pixels, contender):
    """Probe points of the drawing the viewer was started with, from an untimed start."""
    proc = session.start(contender.exe, contender.args)
    hwnd = session.wait_window(VIEWER_TITLE, VIEWER_CLASS, timeout=TIMEOUT, active=False)
    [image] = [c for c in session.drv.children(hwnd) if c.id == 1002]
    time.sleep(1.0)  # let the first paint finish before the colours are read
    probes = thumbnail_probes(pixels, image.rect)
    contender.probes = probes
    contender.end(session, proc, pixels)
    return probes


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--rounds", type=int, default=10)
    options = parser.parse_args()

    exe = config.exe("Ortholux.exe")
    with WineSession() as session:
        folder = session.c_drive / "bench"
        first = drawings.write(folder / "a.dwg", code="1015", width=180, height=120,
                               pixel=stripes([GREEN, RED, BLUE, WHITE], across=False))
        second = drawings.write(folder / "b.dwg", code="1015", width=180, height=120,
                                pixel=stripes([RED, BLUE, GREEN, WHITE], across=True))
        startup = Contender("start-up", exe, [session.unix_to_wine_path(second)],
                            VIEWER_TITLE, VIEWER_CLASS)
        pixels = ScreenPixels(session.display)
        try:
            step = Stepper(exe, [session.unix_to_wine_path(first)], KeyPress(pixels))
            step.from_probes = probes_of(session, pixels, Contender(
                "a", exe, step.args, VIEWER_TITLE, VIEWER_CLASS))
            step.probes = probes_of(session, pixels, startup)
            print(f"session set-up {session.timings['open']:.1f} s; probes: "
                  f"{len(step.probes.points)}")
            print(f"{'round':>5} {'step s':>9} {'start s':>9}")
            for n in range(options.rounds):
                for contender in ((step, startup) if n % 2 == 0 else (startup, step)):
                    contender.time_start(session, pixels)
                print(f"{n + 1:>5} {step.times[-1]:>9.3f} {startup.times[-1]:>9.3f}",
                      flush=True)
            cost = look_cost(pixels, step.probes)
        finally:
            pixels.close()

    s, u = statistics.median(step.times), statistics.median(startup.times)
    print(f"median: step {s:.3f} s, start-up {u:.3f} s; ratio {s / u:.3f} (step / start-up); "
          f"fastest of each: ratio {min(step.times) / min(startup.times):.3f}")
    for c in (step, startup):
        print(f"  {c.name}: min {min(c.times):.3f} s, max {max(c.times):.3f} s, median "
              f"{statistics.median(c.looks):.0f} looks")
    print(f"one look {cost * 1000:.2f} ms every {POLL_INTERVAL * 1000:.0f} ms")


if __name__ == "__main__":
    main()
