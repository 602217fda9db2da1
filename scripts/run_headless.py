#!/usr/bin/env python3
"""Runs the viewer on a drawing in a virtual display, saves a screenshot of its window and
says what the status bar shows; then closes the viewer from its File menu."""
import subprocess
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "tests" / "e2e"))
from harness import WineSession, config, poll  # noqa: E402


def main(drawing, screenshot):
    print("Starting a virtual display and a fresh Wine prefix (about 10-30 s)...")
    with WineSession() as session:
        proc = session.start(config.exe("Ortholux.exe"), [session.unix_to_wine_path(drawing)])
        hwnd = session.wait_window(None, "TMainForm1", timeout=60)
        bar = next(c.hwnd for c in session.drv.children(hwnd) if c.cls == "msctls_statusbar32")
        texts = poll(lambda: session.drv.status(bar).texts, until=lambda t: t[0], timeout=10)
        time.sleep(0.5)  # let the thumbnail paint
        rect = session.drv.rect(hwnd)
        Path(screenshot).parent.mkdir(parents=True, exist_ok=True)
        whole = session.run_dir / "screen.png"
        session.screenshot(whole)
        subprocess.run(["convert", str(whole), "-crop",
                        f"{rect.width}x{rect.height}+{rect.left}+{rect.top}", "+repage",
                        str(screenshot)], check=True)
        print(f"Ortholux showed {drawing}")
        print(f"  window: {rect.width} x {rect.height}, status bar: {' | '.join(texts)}")
        print(f"  screenshot: {screenshot}")
        session.key("alt+f", "e")  # File > Exit
        session.wait_exit(proc, timeout=20)


if __name__ == "__main__":
    main(Path(sys.argv[1]).resolve(), Path(sys.argv[2]).resolve())
