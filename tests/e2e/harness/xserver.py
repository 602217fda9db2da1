"""A private Xvfb for one session, on the first free display of the allowed range."""
import os
import socket
import subprocess
import time
from pathlib import Path


class XServerError(RuntimeError):
    pass


def _lock_pid(number):
    try:
        return int(Path(f"/tmp/.X{number}-lock").read_text().strip())
    except (OSError, ValueError):
        return None


def _lock_holder_alive(number):
    """True when /tmp/.X{N}-lock names a running process (Xvfb itself clears stale locks)."""
    pid = _lock_pid(number)
    if pid is None:
        return False
    try:
        os.kill(pid, 0)
    except ProcessLookupError:
        return False
    except PermissionError:
        pass
    return True


def _accepts_connections(number):
    with socket.socket(socket.AF_UNIX, socket.SOCK_STREAM) as s:
        try:
            s.connect(f"/tmp/.X11-unix/X{number}")
            return True
        except OSError:
            return False


class XServer:
    def __init__(self, displays, screen="1280x1024x24", log_path=None):
        self.displays = list(displays)
        self.screen = screen
        self.log_path = log_path
        self.number = None
        self.process = None

    @property
    def display(self):
        return f":{self.number}"

    def start(self, timeout=10.0):
        for number in self.displays:
            if _lock_holder_alive(number):
                continue
            if self._try(number, timeout):
                return self
        raise XServerError(f"no free X display among :{self.displays[0]}-:{self.displays[-1]}")

    def _try(self, number, timeout):
        log = open(self.log_path, "ab") if self.log_path else subprocess.DEVNULL
        try:
            process = subprocess.Popen(
                ["Xvfb", f":{number}", "-screen", "0", self.screen, "-nolisten", "tcp"],
                stdin=subprocess.DEVNULL, stdout=log, stderr=log)  # dies with our group
        finally:
            if log is not subprocess.DEVNULL:
                log.close()
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            if process.poll() is not None:
                return False  # lost a race for this number, or it was taken after all
            # The socket may be another server's that won the race for this number while
            # ours is still failing: it is ours only if the lock file names our process.
            if _lock_pid(number) == process.pid and _accepts_connections(number):
                self.number, self.process = number, process
                return True
            time.sleep(0.01)
        process.kill()
        process.wait()
        raise XServerError(f"Xvfb :{number} did not come up within {timeout} s")

    def stop(self):
        """Ends our own Xvfb, by its PID only."""
        if self.process and self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(5)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        self.process = None
