"""Helpers of the viewer's path and shortcut tests: drawings of our own in chosen folders, the
viewer started with one argument and read back (its error box, then its status texts), the
Edit menu's shortcut command, and the user's Shell Folders "Desktop" value, changed and put
back (the session is shared by a whole test class)."""
import subprocess
import sys
from dataclasses import dataclass

from . import config

VIEWER_TITLE = "Ortholux"
MAIN_CLASS = "TMainForm1"
SAMPLE_PANELS = ["", "ACAD R2000,LT2000"]  # panel 1 of make_sample_drawing.py's drawing
SHELL_FOLDERS = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders"
SHORTCUT_NAME = "ORTHOLUX.lnk"


def make_drawing(path):
    """Writes the project's sample drawing (release 1015, a 200 x 140 floor plan) to path."""
    path.parent.mkdir(parents=True, exist_ok=True)
    tool = config.REPO_ROOT / "tools" / "make_sample_drawing.py"
    subprocess.run([sys.executable, str(tool), str(path)], check=True, timeout=60)
    return path


@dataclass
class Outcome:
    """What a user sees after starting the viewer: the error box's text (None when no box
    showed before the main window) and then the main window's two status texts."""
    proc: object
    hwnd: int
    box: str
    texts: list


def open_viewer(session, args=(), cwd=None, exe=None):
    """Starts the viewer and waits for what it shows first (see wait_viewer)."""
    proc = session.start(exe or config.exe("Ortholux.exe"), args, cwd=cwd)
    hwnd, box = wait_viewer(session)
    return Outcome(proc, hwnd, box, session.drv.status(hwnd).texts)


def wait_viewer(session, timeout=30.0):
    """(main window, error box text or None) of a viewer that is starting. An error box
    raised while the main window is being created comes before the window itself: it is read
    and confirmed with OK, then the main window is awaited. The first window's class is read
    in the same look-up as the window, so one that closes in between is never used."""
    _, first_class = session.drv.wait_class(VIEWER_TITLE, None, timeout=timeout)
    box = None
    if first_class == "#32770":
        shown = session.drv.msgbox(VIEWER_TITLE, timeout=10)
        box = shown.text
        session.drv.press(shown.hwnd, 1)
    return session.wait_window(VIEWER_TITLE, MAIN_CLASS, timeout=timeout), box


class ViewerRuns:
    """The viewer copies a test started, each ended before the next one starts: an earlier
    copy still running would be told to quit by the new one, and its dying window could be
    taken for the new one's."""

    def __init__(self, session):
        self.session = session
        self.shown = []

    def open(self, args=(), cwd=None, exe=None):
        self.close_all()
        outcome = open_viewer(self.session, args, cwd=cwd, exe=exe)
        self.shown.append(outcome)
        return outcome

    def close_all(self):
        while self.shown:
            outcome = self.shown.pop()
            self.session.stop(outcome.proc)
            # Started before the killed copy's window has gone, the next copy would be met
            # by it: in its own look-up and in its hand-over.
            if not self.session.drv.gone(outcome.hwnd, 20):
                raise TimeoutError(f"main window {outcome.hwnd:#x} outlived its process")


def create_shortcut_by_menu(session, hwnd):
    """Edit menu, second item ("デスクトップにショートカットを作成"): the items have no
    access keys; a menu opened from the keyboard starts on its first item."""
    if not session.wait_keyboard(hwnd, 10):
        raise TimeoutError(f"main window {hwnd:#x} does not get the keys")
    session.key("alt+e", "Down", "Return")


def error_box_or_none(session, timeout):
    """The viewer's error box if one shows within timeout, confirmed with OK; else None."""
    try:
        box = session.drv.msgbox(VIEWER_TITLE, timeout=timeout)
    except TimeoutError:
        return None
    session.drv.press(box.hwnd, 1)
    return box


class DesktopValue:
    """The "Desktop" value of the user's Shell Folders key, read and written with reg.exe."""

    def __init__(self, session):
        self.session = session

    def read(self):
        """(type, data) such as ("REG_SZ", "C:\\users\\me\\Desktop"), or None if missing."""
        done = self.session.wine("reg", "query", SHELL_FOLDERS, "/v", "Desktop")
        if done.returncode != 0:
            return None
        for line in done.stdout.decode("cp932", errors="replace").splitlines():
            fields = line.strip().split("    ", 2)
            if len(fields) >= 2 and fields[0] == "Desktop":
                return fields[1], fields[2] if len(fields) > 2 else ""
        return None

    def write(self, kind, data):
        self._reg("add", SHELL_FOLDERS, "/v", "Desktop", "/t", kind, "/d", data, "/f")

    def delete(self):
        self._reg("delete", SHELL_FOLDERS, "/v", "Desktop", "/f")

    def restore(self, saved):
        if saved is None:
            if self.read() is not None:
                self.delete()
        else:
            self.write(*saved)

    def _reg(self, *args):
        done = self.session.wine("reg", *args)
        if done.returncode != 0:
            raise RuntimeError(f"reg {' '.join(args)}: exit {done.returncode}: "
                               f"{done.stderr.decode('cp932', errors='replace').strip()}")
