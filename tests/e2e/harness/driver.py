"""Typed calls of olxdriver.exe, which reads other processes' windows from inside Wine.

The driver prints tab-separated lines in code page 932 with \\ \\t \\n \\r \\xNN escapes
(tests/e2e/driver/Driver.h); here they become str and small records. Window handles are ints.
"""
import re
from dataclasses import dataclass, field

OK, NO, FAILED, GONE = 0, 1, 2, 3
_ESCAPE = re.compile(r"\\(\\|t|n|r|x[0-9a-fA-F]{2})")
_UNESCAPED = {"\\": "\\", "t": "\t", "n": "\n", "r": "\r"}


class DriverError(RuntimeError):
    pass


class WindowGone(DriverError):
    """The window a command was given was destroyed before or while it was read. Where a
    window found by a look-up may vanish before it is used, this means "not there (yet)"."""


def unescape(text):
    return _ESCAPE.sub(lambda m: _UNESCAPED.get(m[1]) or chr(int(m[1][1:], 16)), text)


def parse_lines(stdout):
    """Driver output bytes -> list of field lists."""
    text = stdout.decode("cp932", errors="replace")
    return [[unescape(f) for f in line.split("\t")] for line in text.split("\n") if line]


@dataclass(frozen=True)
class Rect:
    left: int
    top: int
    right: int
    bottom: int

    @classmethod
    def of(cls, fields):
        return cls(*(int(f) for f in fields[:4]))

    @property
    def width(self):
        return self.right - self.left

    @property
    def height(self):
        return self.bottom - self.top

    @property
    def center(self):
        return ((self.left + self.right) // 2, (self.top + self.bottom) // 2)

    def contains(self, other):
        return (self.left <= other.left and self.top <= other.top
                and other.right <= self.right and other.bottom <= self.bottom)


@dataclass
class Window:
    hwnd: int
    owner: int
    visible: bool
    cls: str
    rect: Rect
    title: str


@dataclass
class Child:
    hwnd: int
    parent: int
    cls: str
    id: int
    style: int
    visible: bool
    rect: Rect
    text: str


@dataclass
class Part:
    index: int
    right: int  # SB_GETPARTS right edge in the bar's client coordinates, -1 for "to the end"
    type: int   # HIWORD of SB_GETTEXTA
    rect: Rect  # SB_GETRECT, in screen coordinates
    text: str


@dataclass
class StatusBar:
    hwnd: int
    width: int   # client width of the bar
    height: int
    simple: bool
    parts: list = field(default_factory=list)

    @property
    def texts(self):
        return [p.text for p in self.parts]


@dataclass
class MessageBox:
    hwnd: int
    owner: int
    caption: str
    text: str
    buttons: dict  # control id -> caption


@dataclass
class Progress:
    low: int
    high: int
    pos: int


@dataclass
class Link:
    target: str
    workdir: str
    args: str
    desc: str


@dataclass
class Memory:
    load: int
    ex_total: int  # GlobalMemoryStatusEx, bytes
    ex_avail: int
    total: int     # GlobalMemoryStatus, bytes
    avail: int


@dataclass
class Font:
    asked: str
    face: str
    proportional: bool


def _h(hwnd):
    return f"{hwnd:#x}"


def _text(stderr):
    return stderr.decode("cp932", errors="replace").strip()


def _records(lines):
    """First value of each key: {"text": "...", ...} for the key/value commands."""
    out = {}
    for fields in lines:
        out.setdefault(fields[0], fields[1:])
    return out


class Driver:
    """One method per driver command. run_driver(args, timeout) -> (exit status, stdout, stderr)."""

    def __init__(self, run_driver):
        self._run = run_driver

    def call(self, *args, timeout=30, allow_no=False):
        args = [str(a) for a in args]
        status, out, err = self._run(args, timeout)
        lines = parse_lines(out)
        # Only a run that got to its closing "end" line answered: an exit status without it
        # comes from Wine (a program it could not start), not from the driver.
        if not lines or lines[-1] != ["end", str(status)]:
            raise DriverError(f"olxdriver {' '.join(args)}: ended without an answer (exit "
                              f"{status}, {len(out)} bytes out): {_text(err)}")
        lines = lines[:-1]
        if status == NO and allow_no:
            return None
        if status == GONE:
            raise WindowGone(f"olxdriver {' '.join(args)}: window gone")
        if status != OK:
            raise DriverError(f"olxdriver {' '.join(args)}: exit {status}: {_text(err)}")
        return lines

    # ---- top-level windows ----
    def find(self, title=None, cls=None):
        """FindWindowA(cls, title) as the viewer calls it; None matches any. -> hwnd or None."""
        lines = self.call("find", title or "*", cls or "*", allow_no=True)
        return int(lines[0][1], 16) if lines else None

    def wait(self, title=None, cls=None, timeout=20.0):
        """First visible top-level window that matches; raises TimeoutError."""
        return self.wait_class(title, cls, timeout)[0]

    def wait_class(self, title=None, cls=None, timeout=20.0):
        """(hwnd, class) of the first visible top-level window that matches, both read in
        one look-up; raises TimeoutError."""
        lines = self.call("wait", title or "*", cls or "*", int(timeout * 1000),
                          timeout=timeout + 30, allow_no=True)
        if lines is None:
            raise TimeoutError(f"no visible window titled {title!r} of class {cls!r}")
        r = _records(lines)
        return int(r["hwnd"][0], 16), r["class"][0]

    def windows(self, cls=None):
        """All top-level windows, topmost first, hidden ones included."""
        return [Window(int(f[1], 16), int(f[2], 16), f[3] == "1", f[4], Rect.of(f[5:9]), f[9])
                for f in self.call("list", cls or "*")]

    def owner(self, hwnd):
        value = int(self.call("owner", _h(hwnd))[0][1], 16)
        return value or None

    def rect(self, hwnd):
        return Rect.of(self.call("rect", _h(hwnd))[0][1:])

    def client(self, hwnd):
        """Client rectangle in screen coordinates."""
        return Rect.of(self.call("client", _h(hwnd))[0][1:])

    def workarea(self, hwnd):
        """The work area of the window's monitor (GetMonitorInfo rcWork), screen."""
        return Rect.of(self.call("workarea", _h(hwnd))[0][1:])

    def text(self, hwnd):
        return self.call("text", _h(hwnd))[0][1]

    def visible(self, hwnd):
        return self.call("visible", _h(hwnd))[0][1] == "1"

    def info(self, hwnd):
        """dict: class, id, style, exstyle (ints), visible, enabled, foreground (bools),
        owner, parent (hwnd or 0), pid, rect, client (Rect), text."""
        r = _records(self.call("info", _h(hwnd)))
        return {
            "class": r["class"][0], "id": int(r["id"][0]), "style": int(r["style"][0], 16),
            "exstyle": int(r["exstyle"][0], 16), "visible": r["visible"][0] == "1",
            "enabled": r["enabled"][0] == "1", "foreground": r["foreground"][0] == "1",
            "owner": int(r["owner"][0], 16), "parent": int(r["parent"][0], 16),
            "pid": int(r["pid"][0]), "rect": Rect.of(r["rect"]), "client": Rect.of(r["client"]),
            "text": r["text"][0],
        }

    def children(self, hwnd):
        """Every descendant window, in EnumChildWindows order."""
        return [Child(int(f[1], 16), int(f[2], 16), f[3], int(f[4]), int(f[5], 16), f[6] == "1",
                      Rect.of(f[7:11]), f[11]) for f in self.call("children", _h(hwnd))]

    def gone(self, hwnd, timeout=10.0):
        """Waits until the window is destroyed or hidden; -> True, or False on time-out."""
        return self.call("gone", _h(hwnd), int(timeout * 1000), timeout=timeout + 30,
                         allow_no=True) is not None

    def wait_foreground(self, hwnd, timeout=20.0):
        """Waits until hwnd is the foreground window (keys go there); -> True, or False.
        Raises WindowGone at once when the window is destroyed meanwhile."""
        return self.call("foreground", _h(hwnd), int(timeout * 1000), timeout=timeout + 30,
                         allow_no=True) is not None

    def activate(self, hwnd):
        self.call("activate", _h(hwnd))

    def close(self, hwnd):
        """Posts WM_CLOSE."""
        self.call("close", _h(hwnd))

    def quit(self, hwnd):
        """Posts WM_QUIT to the window's thread, as a later viewer copy does."""
        self.call("quit", _h(hwnd))

    # ---- controls ----
    def status(self, hwnd):
        """The status bar hwnd, or the first one inside hwnd."""
        lines = self.call("status", _h(hwnd))
        b = lines[0]
        bar = StatusBar(int(b[1], 16), int(b[2]), int(b[3]), b[4] == "1")
        bar.parts = [Part(int(f[1]), int(f[2]), int(f[3], 16), Rect.of(f[4:8]), f[8])
                     for f in lines[1:]]
        return bar

    def progress(self, hwnd):
        f = self.call("progress", _h(hwnd))[0]
        return Progress(int(f[1]), int(f[2]), int(f[3]))

    def msgbox(self, title=None, timeout=20.0):
        """Waits for a visible #32770 window (captioned title, if given); raises TimeoutError."""
        lines = self.call("msgbox", title or "*", int(timeout * 1000), timeout=timeout + 30,
                          allow_no=True)
        if lines is None:
            raise TimeoutError(f"no message box titled {title!r}")
        r = _records(lines)
        buttons = {int(f[1]): f[2] for f in lines if f[0] == "button"}
        return MessageBox(int(r["hwnd"][0], 16), int(r["owner"][0], 16), r["caption"][0],
                          r["text"][0], buttons)

    def press(self, hwnd, control_id=1, wait_gone=True, timeout=10.0):
        """Posts a click of a dialog button (1 = OK); by default waits for the dialog to go."""
        self.call("press", _h(hwnd), control_id)
        if wait_gone and not self.gone(hwnd, timeout):
            raise TimeoutError(f"dialog {_h(hwnd)} still shows after pressing {control_id}")

    def settext(self, hwnd, control_id, text):
        """WM_SETTEXT on a control of hwnd (control_id None: on hwnd itself)."""
        self.call("settext", _h(hwnd), "-" if control_id is None else control_id, text)

    # ---- files and system ----
    def readlnk(self, path):
        r = _records(self.call("readlnk", path))
        return Link(r["target"][0], r["workdir"][0], r["args"][0], r["desc"][0])

    def writelnk(self, path, target, workdir=None):
        self.call("writelnk", path, target, *([workdir] if workdir is not None else []))

    def shortpath(self, path):
        lines = self.call("shortpath", path, allow_no=True)
        return lines[0][1] if lines else None

    def longpath(self, path):
        lines = self.call("longpath", path, allow_no=True)
        return lines[0][1] if lines else None

    def files(self, pattern):
        """[bytes of each name] FindFirstFileA/FindNextFileA give for pattern (cp932)."""
        lines = self.call("files", pattern, allow_no=True)
        return [bytes.fromhex(f[1]) for f in lines or [] if f[0] == "file"]

    def memory(self):
        r = _records(self.call("memory"))
        return Memory(*(int(r[k][0]) for k in ("load", "ex_total", "ex_avail", "total", "avail")))

    def modules(self, pid):
        """Paths of the modules process pid has loaded, its program file first."""
        return [f[1] for f in self.call("modules", pid) if f[0] == "module"]

    def fonts(self):
        """{role: Font} for "caption", "menu" and "marlett": the face asked for, the face the
        system gave, and whether that one is proportional."""
        return {f[1]: Font(f[2], f[3], f[4] == "1") for f in self.call("fonts") if f[0] == "font"}

    def echo(self, *args):
        """(ACP, [bytes of each argument as the driver's argv received it])."""
        lines = self.call("echo", *args)
        return int(lines[0][1]), [bytes.fromhex(f[2]) for f in lines[1:]]

    # ---- dpi and answering ----
    def metrics(self):
        """{"dpi", "menu", "caption", "sizeframe"}: the driver's own dpi (the setting the
        prefix had when it started) and system metrics at that setting."""
        return {k: int(v[0]) for k, v in _records(self.call("metrics")).items()}

    def menubar(self, hwnd):
        """The menu bar's screen rectangle (GetMenuBarInfo)."""
        return Rect.of(self.call("menubar", _h(hwnd))[0][1:])

    def textsize(self, face, height, text, bold=False):
        """(width, height) of text in that face at that character height in pixels."""
        f = self.call("textsize", face, height, int(bold), text)[0]
        return int(f[1]), int(f[2])

    def dpichanged(self, hwnd, dpi, rect):
        """Sends WM_DPICHANGED for dpi with the suggested Rect."""
        self.call("dpichanged", _h(hwnd), dpi, rect.left, rect.top, rect.right, rect.bottom)

    def ping(self, hwnd, count=10, interval_ms=100):
        """Sends WM_NULL count times -> (answered within 1 s, slowest answer in ms)."""
        f = self.call("ping", _h(hwnd), count, interval_ms, timeout=count * 2 + 30)[0]
        return int(f[1]), int(f[2])
