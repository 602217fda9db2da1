"""Where the end-to-end tests find their programs, from the environment CTest sets.

A missing program is an error, never a reason to skip: a test run that silently drives
nothing would pass for the wrong reason. Only the drawing fixtures may be absent.
"""
import os
from pathlib import Path

REPO_ROOT = Path(__file__).resolve().parents[3]


class MissingProgram(RuntimeError):
    pass


def _required_env(name):
    value = os.environ.get(name)
    if not value:
        raise MissingProgram(f"{name} is not set (run the tests through ctest in the Windows "
                             f"build, or set it by hand: see tests/e2e/README.md)")
    return value


def bin_dir():
    """The Windows build's bin folder: Ortholux.exe, olxdriver.exe, olxselftest.exe."""
    return Path(_required_env("ORTHOLUX_BIN_DIR"))


def exe(name):
    """Path of a program of the Windows build; raises MissingProgram if it is not built."""
    path = bin_dir() / name
    if not path.is_file():
        raise MissingProgram(f"{path} does not exist: build it first")
    return path


def xdrop():
    """The host build's X11 drag source."""
    path = Path(_required_env("ORTHOLUX_XDROP"))
    if not (path.is_file() and os.access(path, os.X_OK)):
        raise MissingProgram(f"{path} does not exist: build target xdrop in the host build "
                             f"named by ORTHOLUX_HOST_BUILD")
    return path


def file_version():
    """The program's file version as its version resource and About box give it, from the
    build's project version: "0.2.5" -> "0.2.5.0"."""
    return _required_env("ORTHOLUX_VERSION") + ".0"


def release_zip():
    """The zip scripts/package.sh wrote (CTest builds it before the release tests run)."""
    path = Path(_required_env("ORTHOLUX_RELEASE_ZIP"))
    if not path.is_file():
        raise MissingProgram(f"{path} does not exist: run scripts/package.sh")
    return path


def release_msi():
    """The installer scripts/package.sh wrote beside the zip."""
    path = Path(_required_env("ORTHOLUX_RELEASE_MSI"))
    if not path.is_file():
        raise MissingProgram(f"{path} does not exist: run scripts/package.sh")
    return path


def fixtures():
    """The folder of real drawings (with expected.tsv), or None where it is absent."""
    value = os.environ.get("ORTHOLUX_FIXTURES")
    path = Path(value) if value else REPO_ROOT.parent / "shared" / "fixtures" / "dwg"
    return path if path.is_dir() else None


def display_range():
    """Xvfb display numbers the sessions may take, "91-94" by default."""
    text = os.environ.get("ORTHOLUX_E2E_DISPLAYS", "91-94")
    low, _, high = text.partition("-")
    return range(int(low), int(high or low) + 1)


def temp_prefix():
    """Name prefix of each session's folder under /tmp (the Wine prefix lives inside it)."""
    return os.environ.get("ORTHOLUX_E2E_TMP_PREFIX", "h-e2e-")


def keep_run_folder():
    """ORTHOLUX_E2E_KEEP=1 leaves each session's folder behind for a look at its logs."""
    return os.environ.get("ORTHOLUX_E2E_KEEP") == "1"
