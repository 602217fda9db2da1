"""The help engine's window (Wine's winhlp32) as a user sees it: its caption, the topic shown
in its text area, the green underlined links there, and its Back button.

winhlp32 shows a topic in a rich edit control whose text does not come back through
WM_GETTEXT from another process, so the topic's text is read the way a user would copy it:
a click into the text area, Ctrl+A, Ctrl+C, and the X11 CLIPBOARD selection that Wine
exports the copy to (read with tkinter).
"""
import subprocess
import sys
from dataclasses import dataclass

from . import config
from .driver import Rect
from .wineenv import poll

MAIN_CLASS = "MS_WINHELP"
TEXT_CLASS_PREFIX = "RichEdit"
BACK_ID = 502  # 戻る(&B) in the button bar
WS_DISABLED = 0x08000000
LINK_GREEN = (0, 128, 0)  # a jump's label: green and underlined

HELP_SOURCE = config.REPO_ROOT / "res" / "help" / "Ortholux.hlp.txt"

_CLIPBOARD_READER = """
import sys, tkinter
root = tkinter.Tk()
root.withdraw()
try:
    text = root.clipboard_get()
except tkinter.TclError as e:  # nothing copied yet
    sys.stderr.write(str(e))
    sys.exit(3)
sys.stdout.buffer.write(text.encode("utf-8"))
"""


@dataclass
class Topic:
    context: str
    title: str
    lines: list  # the source's text lines, jumps written as their labels
    jumps: list  # (context, label) in order of appearance


@dataclass
class HelpSource:
    title: str
    topics: list

    def topic(self, context):
        return next(t for t in self.topics if t.context == context)


def read_help_source(path=HELP_SOURCE):
    """The parts of the help source a reader of the help window can check: the title, and
    each topic's heading, text lines and jumps (tools/hlpc/HelpSource.h has the syntax)."""
    title, topics = None, []
    for raw in path.read_text(encoding="utf-8").splitlines():
        if raw.startswith("#"):
            continue
        if raw.startswith("@topic "):
            _, context, heading = raw.split(" ", 2)
            topics.append(Topic(context, heading, [], []))
        elif not topics and raw.startswith("title:"):
            title = raw.partition(":")[2].strip()
        elif topics and raw.strip():
            line, rest = "", raw
            while "[[" in rest:
                before, _, rest = rest.partition("[[")
                jump, _, rest = rest.partition("]]")
                context, _, label = jump.partition("|")
                topics[-1].jumps.append((context, label))
                line += before + label
            topics[-1].lines.append(line + rest)
    return HelpSource(title, topics)


def bands(rows):
    """Consecutive row numbers grouped into [first, last] runs."""
    runs = []
    for y in sorted(rows):
        if runs and y - runs[-1][1] <= 1:
            runs[-1][1] = y
        else:
            runs.append([y, y])
    return runs


class HelpWindow:
    def __init__(self, session, hwnd):
        self.session, self.hwnd, self.drv = session, hwnd, session.drv

    @classmethod
    def wait(cls, session, timeout=30.0):
        return cls(session, session.drv.wait(None, MAIN_CLASS, timeout))

    @staticmethod
    def all(session):
        """Every help engine main window, hidden ones included."""
        return session.drv.windows(MAIN_CLASS)

    def caption(self):
        return self.drv.text(self.hwnd)

    def text_area(self):
        """Screen rectangle of the topic's text area."""
        [area] = [c for c in self.drv.children(self.hwnd)
                  if c.cls.startswith(TEXT_CLASS_PREFIX)]
        return area.rect

    def back_enabled(self):
        # The button bar is rebuilt on every jump: look the button up each time.
        [back] = [c for c in self.drv.children(self.hwnd) if c.id == BACK_ID]
        return not back.style & WS_DISABLED

    def click_back(self):
        [back] = [c for c in self.drv.children(self.hwnd) if c.id == BACK_ID]
        self.session.click(*back.rect.center)

    # ---- pixels of the text area ----
    def pixels(self, shot, area=None):
        """The text area's pixels as one bytes object (for equality between screenshots)."""
        r = area or self.text_area()
        stride = shot.width * 3
        return b"".join(shot.rgb[y * stride + r.left * 3:y * stride + r.right * 3]
                        for y in range(r.top, r.bottom))

    @staticmethod
    def dark_pixels(shot, area):
        """How many pixels of the area are dark enough to be text."""
        return sum(1 for y in range(area.top, area.bottom) for x in range(area.left, area.right)
                   if max(shot.pixel(x, y)) < 100)

    @staticmethod
    def links(shot, area):
        """The links drawn in the area, top to bottom, as screen rectangles of their green
        pixels (one per text line)."""
        green = {}
        for y in range(area.top, area.bottom):
            xs = [x for x in range(area.left, area.right) if shot.pixel(x, y) == LINK_GREEN]
            if xs:
                green[y] = (min(xs), max(xs))
        found = []
        for top, bottom in bands(green):
            left = min(green[y][0] for y in range(top, bottom + 1) if y in green)
            right = max(green[y][1] for y in range(top, bottom + 1) if y in green)
            found.append(Rect(left, top, right + 1, bottom + 1))
        return found

    # ---- the topic's text, copied as a user copies it ----
    def copy_topic_text(self, area=None, timeout=15.0, until=bool):
        """Selects the whole topic (click on a blank spot, Ctrl+A), copies it (Ctrl+C) and
        returns the clipboard's text; the click afterwards drops the selection again."""
        r = area or self.text_area()
        blank = (r.right - 20, r.bottom - 20)  # below and beside every topic's text
        self.session.click(*blank)
        self.session.key("ctrl+a", "ctrl+c")
        text = poll(lambda: clipboard(self.session), until, timeout, interval=0.3)
        self.session.click(*blank)
        return text


def clipboard(session):
    """The X11 CLIPBOARD selection's text on the session's display ("" when there is none)."""
    done = subprocess.run([sys.executable, "-c", _CLIPBOARD_READER], env=session.env,
                          stdin=subprocess.DEVNULL, capture_output=True, timeout=30)
    if done.returncode == 3:
        return ""
    if done.returncode != 0:
        raise RuntimeError("reading the clipboard failed: "
                           + done.stderr.decode(errors="replace").strip())
    return done.stdout.decode("utf-8")


def words(text):
    """The text with every run of white space (line breaks, tabs) made one space."""
    return " ".join(text.split())
