"""The ortholux-tools package installed for the length of a test class, as a user installs
it (apt-get install ./ortholux-tools_*.deb), then purged, checking that nothing is left.

One machine-wide lock covers install to removal, so two checkouts testing at once take
turns instead of removing the package under each other.
"""
import fcntl
import glob
import os
import subprocess

PACKAGE = "ortholux-tools"
LOCK_FILE = "/tmp/ortholux-tools-package-test.lock"
APT = ["apt-get", "-y", "-q", "-o", "DPkg::Lock::Timeout=300"]


def _root(command):
    return command if os.geteuid() == 0 else ["sudo", "-n", *command]


def _run(command):
    result = subprocess.run(_root(command), capture_output=True, text=True)
    if result.returncode != 0:
        raise RuntimeError(f"{' '.join(command)} failed ({result.returncode}):\n"
                           f"{result.stdout}{result.stderr}")
    return result.stdout


def is_installed():
    result = subprocess.run(["dpkg-query", "-W", "-f=${Status}", PACKAGE],
                            capture_output=True, text=True)
    return result.returncode == 0 and "ok installed" in result.stdout


def find_deb():
    folder = os.environ.get("ORTHOLUX_DEB_DIR", "")
    debs = sorted(glob.glob(os.path.join(folder, f"{PACKAGE}_*.deb")))
    if len(debs) != 1:
        raise RuntimeError(f"expected one {PACKAGE} package in ORTHOLUX_DEB_DIR={folder!r}, "
                           f"found {debs} (scripts/package-deb.sh builds it)")
    return os.path.abspath(debs[0])


class InstalledPackage:
    """install() then remove(); remove() raises when files are left behind."""

    def __init__(self, deb):
        self.deb = deb
        self.files = []
        self._lock = None

    def install(self):
        self._lock = open(LOCK_FILE, "a")
        fcntl.flock(self._lock, fcntl.LOCK_EX)
        if is_installed():
            self._unlock()
            raise RuntimeError(f"{PACKAGE} is installed already: the test would remove it "
                               "afterwards; remove it first")
        try:
            _run([*APT, "install", "--no-install-recommends", self.deb])
            self.files = _run(["dpkg-query", "-L", PACKAGE]).split("\n")
        except BaseException:
            self.remove()
            raise

    def remove(self):
        try:
            if is_installed():
                _run([*APT, "purge", PACKAGE])
            left = [f for f in self.files if f and os.path.lexists(f) and not os.path.isdir(f)]
            left += [d for d in (f"/usr/share/doc/{PACKAGE}",) if os.path.lexists(d)]
            if is_installed() or left:
                raise AssertionError(f"{PACKAGE} left behind after purge: {left}")
        finally:
            self._unlock()

    def _unlock(self):
        if self._lock:
            fcntl.flock(self._lock, fcntl.LOCK_UN)
            self._lock.close()
            self._lock = None
