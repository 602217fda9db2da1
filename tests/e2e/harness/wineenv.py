"""WineSession: a private Xvfb and a fresh Wine prefix in which tests start Windows programs
and drive them from outside, as a user would (keys, clicks, file drops) and as a tester would
(olxdriver.exe reading window texts, screenshots).

Setting up costs about ten seconds (wineboot), so a test module shares one session; every
test ends the programs it started (stop_all in tearDown).
"""
import os
import pwd
import shutil
import subprocess
import tempfile
import time
from pathlib import Path

from . import config, fonts
from .driver import Driver, Rect, WindowGone
from .screen import Shot
from .xserver import XServer

_SERVER_IDLE_SECONDS = 300

# Debian's Wine has no preloader, so nothing keeps the Windows address ranges free before the
# kernel puts the loader's heap at a random place within 1 GB above the loader. Now and then
# (one start in several thousand) the heap covers the shared user data page (0x7ffe0000) and
# Wine ends the process with status 1 before it has run ("failed to map the shared user
# data"). Without randomisation the heap sits right after the loader, below those ranges.
WINE_LAUNCHER = ("setarch", "-R")


def wine_command(*argv):
    """argv of a Wine command ("wine", "wineboot", ...) that starts without randomisation."""
    return [*WINE_LAUNCHER, *map(str, argv)]


_SETTINGS_REG = """Windows Registry Editor Version 5.00

[HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver]
"Managed"="N"

[HKEY_CURRENT_USER\\Software\\Wine\\WineBrowser]
"Browsers"="{browser}"

"""

# The home-page launcher: winebrowser runs it with the address as its argument.
_BROWSER_SCRIPT = """#!/bin/sh
printf '%s\\n' "$*" >> '{log}'
"""


class WineSession:
    def __init__(self, screen="1280x1024x24", displays=None):
        self.screen = screen
        self.displays = displays or config.display_range()
        self.timings = {}
        self.run_dir = None
        self.xserver = None
        self.env = None
        self.drv = Driver(self._run_driver)
        self._procs = []
        self._logs = 0

    # ---- set-up and tear-down ----
    def __enter__(self):
        return self.open()

    def __exit__(self, *exc):
        self.close()

    def open(self):
        started = time.monotonic()
        self.run_dir = Path(tempfile.mkdtemp(prefix=config.temp_prefix(), dir="/tmp"))
        try:
            self._open()
        except BaseException:
            self.close()
            raise
        self.timings["open"] = time.monotonic() - started
        return self

    def _open(self):
        (self.run_dir / "logs").mkdir()
        self.home.joinpath("Desktop").mkdir(parents=True)  # before wineboot: see Desktop link
        self.browser_log.touch()
        browser = self.run_dir / "browser.sh"
        browser.write_text(_BROWSER_SCRIPT.format(log=self.browser_log))
        browser.chmod(0o755)

        t = time.monotonic()
        self.xserver = XServer(self.displays, self.screen, self.run_dir / "logs" / "xvfb.log")
        self.xserver.start()
        self.timings["xvfb"] = time.monotonic() - t

        self.env = self._environment()
        # A persistent server keeps program starts at 0.1-0.3 s. It must come first: a second
        # "wineserver -p" beside a running server only exits with status 2. The server
        # detaches from us, so it is told to end after 5 idle minutes should close() not run.
        self.prefix.mkdir()
        self._wine_tool(["wineserver", f"-p{_SERVER_IDLE_SECONDS}"], "wineserver", 30)
        t = time.monotonic()
        self._wine_tool(["wineboot", "-i"], "wineboot", 180)
        self.timings["wineboot"] = time.monotonic() - t

        t = time.monotonic()
        settings = self.run_dir / "settings.reg"
        # UTF-16 with its byte-order mark: the font names are Japanese.
        settings.write_text(_SETTINGS_REG.format(browser=browser) + fonts.registry_text(),
                            encoding="utf-16")
        fonts.install_marlett(self.prefix)
        self._wine_tool(["wine", "reg", "import", str(settings)], "reg", 60)
        self.timings["registry"] = time.monotonic() - t

    def _environment(self):
        env = dict(os.environ)
        for name in ("LANGUAGE", "WINEARCH", "WINESERVER", "WINELOADER"):
            env.pop(name, None)
        env.update({
            "HOME": str(self.home), "WINEPREFIX": str(self.prefix),
            "WINEDEBUG": "-all",
            "WINEDLLOVERRIDES": "mscoree,mshtml,winemenubuilder.exe=d",
            "LANG": "ja_JP.UTF-8", "LC_ALL": "ja_JP.UTF-8", "DISPLAY": self.display,
        })
        return env

    def _wine_tool(self, argv, name, timeout):
        # Output goes to a file, never a pipe: a wineserver or helper that the tool starts
        # would inherit a pipe and keep it open long after the tool has ended.
        with open(self.run_dir / "logs" / f"{name}.log", "ab") as log:
            subprocess.run(wine_command(*argv), env=self.env, stdin=subprocess.DEVNULL,
                           stdout=log, stderr=log, timeout=timeout, check=True)

    def close(self):
        """Ends our programs, our prefix's wineserver and our Xvfb; removes the run folder."""
        self.stop_all()
        if self.env:
            try:
                subprocess.run(["wineserver", "-k"], env=self.env, timeout=30,
                               stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL)
            except subprocess.TimeoutExpired:
                pass
            self.env = None
        if self.xserver:
            self.xserver.stop()
            self.xserver = None
        if self.run_dir and not config.keep_run_folder():
            shutil.rmtree(self.run_dir, ignore_errors=True)

    # ---- places ----
    @property
    def display(self):
        return self.xserver.display

    @property
    def home(self):
        return self.run_dir / "home"

    @property
    def desktop(self):
        """The Unix folder behind the Windows user's Desktop."""
        return self.home / "Desktop"

    @property
    def prefix(self):
        return self.run_dir / "prefix"

    @property
    def c_drive(self):
        return self.prefix / "drive_c"

    @property
    def profile(self):
        """C:\\users\\<user>: Wine names the Windows user after the Unix one."""
        return self.c_drive / "users" / pwd.getpwuid(os.getuid()).pw_name

    @property
    def browser_log(self):
        return self.run_dir / "browser.log"

    def unix_to_wine_path(self, path):
        """The DOS path Wine gives a Unix path: through the drive whose root is the nearest
        folder above it (C: inside drive_c, else Z:)."""
        real = os.path.realpath(path)
        best, best_root = "z:", "/"
        for link in (self.prefix / "dosdevices").iterdir():
            name = link.name.lower()
            if len(name) != 2 or name[1] != ":":
                continue
            root = os.path.realpath(link)
            if (real == root or real.startswith(root.rstrip("/") + "/")) \
                    and len(root) > len(best_root):
                best, best_root = name, root
        rest = real[len(best_root):].lstrip("/")
        return best.upper() + "\\" + rest.replace("/", "\\")

    def wine_to_unix_path(self, path):
        """Unix path of a DOS path (X:\\...) through the prefix's drive links."""
        drive, _, rest = path.partition(":")
        root = os.path.realpath(self.prefix / "dosdevices" / (drive.lower() + ":"))
        parts = [p for p in rest.replace("\\", "/").split("/") if p]
        return Path(root, *parts)

    # ---- programs ----
    def start(self, exe, args=(), cwd=None):
        """Starts a Windows program; its output goes to logs/. -> Popen (pid = the process)."""
        self._logs += 1
        log_path = self.run_dir / "logs" / f"{Path(exe).stem}-{self._logs}.log"
        with open(log_path, "wb") as log:
            proc = subprocess.Popen(wine_command("wine", exe, *args), env=self.env,
                                    cwd=cwd or self.run_dir, stdin=subprocess.DEVNULL,
                                    stdout=log, stderr=log)
        self._procs.append(proc)
        return proc

    def wait_exit(self, proc, timeout=20.0):
        """Exit status of a started program; raises TimeoutExpired. A GUI program needs
        1.5-2 s under Wine to end after its message loop has ended."""
        return proc.wait(timeout)

    def stop(self, proc, timeout=0.0):
        """Waits up to timeout for the program to end, then kills it by PID."""
        if proc.poll() is None and timeout > 0:
            try:
                proc.wait(timeout)
            except subprocess.TimeoutExpired:
                pass
        if proc.poll() is None:
            proc.kill()
            proc.wait()
        if proc in self._procs:
            self._procs.remove(proc)

    def stop_all(self):
        for proc in list(self._procs):
            self.stop(proc)

    def reset(self):
        """Ends every process of the prefix, also those our programs started (winhlp32.exe
        outlives its caller), by restarting the wineserver. Costs about 1 s, and the next
        program start takes a few seconds more while Wine's own services come back."""
        self.stop_all()
        self._wine_tool(["wineserver", "-k"], "wineserver", 30)
        self._wine_tool(["wineserver", f"-p{_SERVER_IDLE_SECONDS}"], "wineserver", 30)

    def running(self):
        return [p for p in self._procs if p.poll() is None]

    def wine(self, *args, timeout=60, env=None):
        """Runs a Wine command (e.g. "reg", "query", ...) to its end -> CompletedProcess."""
        with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
            done = subprocess.run(wine_command("wine", *args), env=env or self.env,
                                  timeout=timeout, stdin=subprocess.DEVNULL, stdout=out,
                                  stderr=err)
            out.seek(0)
            err.seek(0)
            done.stdout, done.stderr = out.read(), err.read()
        return done

    def driver(self, *args, timeout=30):
        """Raw driver output as text (cp932 decoded, escapes left in place)."""
        _, out, _ = self._run_driver([str(a) for a in args], timeout)
        return out.decode("cp932", errors="replace")

    def _run_driver(self, args, timeout):
        # With Wine's error channel: a run that Wine could not start says why. (Only here:
        # other programs' output is compared, and wineboot's own errors would join it.)
        env = {**self.env, "WINEDEBUG": "-all,err+all"}
        done = self.wine(config.exe("olxdriver.exe"), *args, timeout=timeout, env=env)
        return done.returncode, done.stdout, done.stderr

    def wait_window(self, title=None, cls=None, timeout=20.0, active=True):
        """hwnd of the first visible top-level window of that title/class (None: any);
        with active, also waits until keys typed next reach it (wait_keyboard). A match
        destroyed before that (an ended program's window on its way out) was not the one
        awaited: the look-up starts again. Raises TimeoutError."""
        deadline = time.monotonic() + timeout
        while True:
            hwnd = self.drv.wait(title, cls, max(deadline - time.monotonic(), 0.1))
            if not active:
                return hwnd
            try:
                if self.wait_keyboard(hwnd, max(deadline - time.monotonic(), 0.1)):
                    return hwnd
            except WindowGone:
                continue
            raise TimeoutError(f"window {hwnd:#x} ({title!r}) shows but never became active")

    def wait_keyboard(self, hwnd, timeout=20.0):
        """Waits until keys typed through X reach hwnd -> True, or False on time-out: it is
        Windows' foreground window, and the X input focus (which Wine moves a moment after
        the activation, and which xdotool types into) is on its X window, recognised by
        its screen rectangle. Raises WindowGone when the window is destroyed meanwhile."""
        deadline = time.monotonic() + timeout
        if not self.drv.wait_foreground(hwnd, timeout):
            return False
        focused = poll(lambda: self.x_focus_rect() == self.drv.rect(hwnd), bool,
                       max(deadline - time.monotonic(), 0.1))
        return focused and self.drv.wait_foreground(hwnd, 0.1)

    def x_focus_rect(self):
        """Screen rectangle of the X window that has the input focus, or None."""
        done = subprocess.run(["xdotool", "getwindowfocus", "getwindowgeometry", "--shell"],
                              env=self.env, stdin=subprocess.DEVNULL, capture_output=True,
                              timeout=30)
        fields = dict(line.split("=", 1) for line in done.stdout.decode().split() if "=" in line)
        if done.returncode != 0 or not {"X", "Y", "WIDTH", "HEIGHT"} <= fields.keys():
            return None
        x, y, w, h = (int(fields[k]) for k in ("X", "Y", "WIDTH", "HEIGHT"))
        return Rect(x, y, x + w, y + h)

    # ---- user input (X11) ----
    def _x(self, argv, timeout=30):
        done = subprocess.run(argv, env=self.env, stdin=subprocess.DEVNULL,
                              capture_output=True, timeout=timeout)
        if done.returncode != 0:
            raise RuntimeError(f"{argv[0]} failed ({done.returncode}): "
                               f"{done.stderr.decode(errors='replace').strip()}")
        return done

    def key(self, *keys, delay_ms=30):
        """xdotool key names, e.g. key("alt+f", "o") or key("Return"); go to the X focus."""
        self._x(["xdotool", "key", "--delay", str(delay_ms), *keys])

    def type_text(self, text, delay_ms=20):
        self._x(["xdotool", "type", "--delay", str(delay_ms), "--", text])

    def move(self, x, y):
        self._x(["xdotool", "mousemove", str(x), str(y)])

    def click(self, x, y, button=1, repeat=1):
        self._x(["xdotool", "mousemove", str(x), str(y), "click", "--repeat", str(repeat),
                 str(button)])

    def drop(self, files, x, y, timeout=5.0):
        """Drops files (Unix paths) at screen point (x, y) as a file manager would; raises
        RuntimeError with xdrop's reason when the window refuses or does not answer."""
        self._x([str(config.xdrop()), "--display", self.display, "--timeout",
                 str(int(timeout * 1000)), "--at", str(x), str(y), *map(str, files)],
                timeout=timeout + 10)

    # ---- screen ----
    def screenshot(self, path=None):
        """One capture of the screen -> Shot (pixel(x, y) -> (r, g, b)); saved as PNG if
        path is given."""
        shot = Shot.capture(self.display, self.env)
        if path:
            shot.save_png(path)
        return shot

    def pixel(self, x, y):
        return self.screenshot().pixel(x, y)

    def browser_calls(self):
        """Arguments of each launch of the web browser, one string per launch."""
        return self.browser_log.read_text(encoding="utf-8").splitlines()


def poll(fn, until=bool, timeout=10.0, interval=0.05):
    """Calls fn until until(value) holds or the time is up, and returns the last value either
    way, so that the caller's assertion shows what was there instead of a bare time-out."""
    deadline = time.monotonic() + timeout
    while True:
        value = fn()
        if until(value) or time.monotonic() >= deadline:
            return value
        time.sleep(interval)
