"""The real drawings with what a correct viewer shows for each (expected.tsv), and the
thumbnail image the project's own preview tool rebuilds from a drawing."""
import csv
import subprocess
import tempfile
from dataclasses import dataclass
from pathlib import Path

from . import config
from .thumbimage import decode


@dataclass(frozen=True)
class Expected:
    path: Path
    outcome: str          # Ready, BelowRange, NoBitmap or Error
    status_panel1: str
    outer_size: tuple     # (width, height), Ready only

    @property
    def title(self):
        """Status panel 0: the file name without its extension."""
        return self.path.stem


def expected():
    """{file name: Expected} of the fixture folder, or None where it is absent."""
    folder = config.fixtures()
    if folder is None:
        return None
    table = {}
    with open(folder / "expected.tsv", encoding="utf-8", newline="") as f:
        for row in csv.DictReader(f, delimiter="\t"):
            size = row["outer_window_size"]
            table[row["file"]] = Expected(
                folder / row["file"], row["outcome"], row["status_panel1"],
                tuple(int(n) for n in size.split("x")) if size != "-" else None)
    return table


def preview_tool():
    """The host build's ortholux-preview, beside xdrop."""
    path = config.xdrop().parent / "ortholux-preview"
    if not path.is_file():
        raise config.MissingProgram(f"{path} does not exist: build the host build")
    return path


def thumbnail(drawing):
    """The rebuilt thumbnail (black and white exchanged) as a Picture, via the preview tool."""
    with tempfile.TemporaryDirectory(prefix="h-view-") as folder:
        out = Path(folder) / "thumb"
        subprocess.run([str(preview_tool()), str(drawing), str(out)], check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)
        return decode(out.read_bytes())
