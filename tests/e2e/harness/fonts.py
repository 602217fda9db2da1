"""Fonts of a Japanese prefix: what Wine 8 here lacks or picks badly, set up once after
wineboot, by the e2e sessions and by the run command alike.

- Marlett: Wine draws the caption buttons with it and shows the letters "0", "1" and "r"
  without it. Debian's fonts-wine ships marlett.ttf, but Wine only finds it in the prefix's
  windows\\Fonts folder.
- The Japanese UI faces become the IPA fonts; the caption font, "MS Shell Dlg" bold in a new
  prefix, falls back to the fixed-pitch IPAGothic there. It is set to "ＭＳ Ｐゴシック" bold,
  which the replacements turn into the proportional IPAPGothic.

For a prefix of its own, the run command calls main(PREFIX) with WINEPREFIX=PREFIX set.
"""
import shutil
import struct
import subprocess
import tempfile
from pathlib import Path

MARLETT = Path("/usr/share/wine/fonts/marlett.ttf")
CAPTION_FACE = "ＭＳ Ｐゴシック"
REPLACEMENTS = {
    "ＭＳ Ｐゴシック": "IPAPGothic",
    "ＭＳ Ｐ明朝": "IPAPMincho",
    "ＭＳ ゴシック": "IPAGothic",
    "ＭＳ 明朝": "IPAMincho",
}
_FW_BOLD, _SHIFTJIS_CHARSET, _VARIABLE_PITCH_SWISS = 700, 0x80, 0x22


def logfont(face, height, weight):
    """A LOGFONTW as the WindowMetrics values hold it: 92 bytes, the face in UTF-16."""
    encoded = face.encode("utf-16-le")
    if len(encoded) > 62:
        raise ValueError(f"face name too long for a LOGFONT: {face!r}")
    return (struct.pack("<5i8B", -height, 0, 0, 0, weight, 0, 0, 0, _SHIFTJIS_CHARSET,
                        0, 0, 0, _VARIABLE_PITCH_SWISS) + encoded.ljust(64, b"\0"))


def registry_text():
    """The .reg sections (no header) that map the faces and set the caption font."""
    lines = ["[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]"]
    lines += [f'"{face}"="{target}"' for face, target in REPLACEMENTS.items()]
    caption = ",".join(f"{b:02x}" for b in logfont(CAPTION_FACE, 12, _FW_BOLD))
    lines += ["", "[HKEY_CURRENT_USER\\Control Panel\\Desktop\\WindowMetrics]",
              f'"CaptionFont"=hex:{caption}']
    return "\n".join(lines) + "\n"


def install_marlett(prefix):
    """Copies Debian's marlett.ttf into the prefix; a missing package is an error, since the
    caption buttons would silently turn into letters."""
    if not MARLETT.is_file():
        raise FileNotFoundError(f"{MARLETT} is missing: install the fonts-wine package")
    fonts = Path(prefix) / "drive_c" / "windows" / "Fonts"
    fonts.mkdir(parents=True, exist_ok=True)
    shutil.copyfile(MARLETT, fonts / MARLETT.name)


def main(prefix):
    """For a prefix made outside the harness (the run command's): WINEPREFIX must name it."""
    install_marlett(prefix)
    with tempfile.TemporaryDirectory(prefix="olx-fonts-") as folder:
        reg = Path(folder) / "fonts.reg"
        # UTF-16 with its byte-order mark: the face names are Japanese.
        reg.write_text("Windows Registry Editor Version 5.00\n\n" + registry_text(),
                       encoding="utf-16")
        from .wineenv import wine_command  # here: wineenv imports this module
        subprocess.run(wine_command("wine", "reg", "import", reg), check=True,
                       stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=120)

