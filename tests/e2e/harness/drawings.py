"""Synthetic drawing files for the viewer's end-to-end tests.

A drawing carries what the viewer reads and nothing else: the release code at bytes 2-5,
the thumbnail directory's offset D as u32 at 13, the entry count at D+20, the second
entry (type, start S, length L) at D+30, and at S a packed DIB (40-byte BITMAPINFOHEADER,
colour table, pixel rows). Every size, code, plane count and cut can be chosen, so a test
can ask for exactly the case it is about.
"""
import struct
from pathlib import Path

from .screen import encode_png
from .thumbimage import Picture

# Palette indices of the quadrant picture. Black and white are exchanged by the viewer.
BLACK, WHITE, RED, BLUE, GREEN = range(5)
PALETTE = [(0, 0, 0), (255, 255, 255), (255, 0, 0), (0, 0, 255), (0, 160, 0)]

DIRECTORY_AT = 0x80
THUMBNAIL_AT = 0x100


def quadrants(width, height):
    """pixel(x, y) with y counted from the top: black top left, white top right,
    red bottom left, blue bottom right."""
    def pixel(x, y):
        top, left = y < height // 2, x < width // 2
        if top:
            return BLACK if left else WHITE
        return RED if left else BLUE
    return pixel


class ShownQuadrants(Picture):
    """What the viewer shows of a quadrants() thumbnail: black and white exchanged, so white
    top left, black top right, red bottom left, blue bottom right."""

    SHOWN = {BLACK: (255, 255, 255), WHITE: (0, 0, 0)}

    def __init__(self, width, height):
        self.width, self.height = width, abs(height)
        self._index = quadrants(self.width, self.height)

    def pixel(self, x, y):
        index = self._index(x, y)
        return self.SHOWN.get(index, PALETTE[index])


def thumbnail(width, height, pixel=None, palette=PALETTE, planes=1, colours_used=None):
    """An 8-bit packed DIB. A negative height stores the rows top-down, as BMP does;
    pixel(x, y) gives the palette index with y = 0 at the top either way."""
    rows = abs(height)
    pixel = pixel or quadrants(width, rows)
    stride = (width + 3) & ~3
    order = range(rows) if height < 0 else reversed(range(rows))
    bits = b"".join(bytes(pixel(x, y) for x in range(width)) + bytes(stride - width)
                    for y in order)
    used = len(palette) if colours_used is None else colours_used
    header = struct.pack("<IiiHHIIiiII", 40, width, height, planes, 8, 0, len(bits), 0, 0,
                         used, 0)
    table = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)
    return header + table + bits


def drawing(code="1015", thumb=None, entries=2, length=None, cut=0):
    """The whole file. length overrides the directory's bitmap length L (default: the
    thumbnail's size); cut removes that many bytes from the end of the file."""
    thumb = thumbnail(180, 120) if thumb is None else thumb
    data = bytearray(THUMBNAIL_AT)
    data[0:2] = b"AC"
    data[2:6] = code.encode("ascii").ljust(4, b"\0")[:4]
    struct.pack_into("<I", data, 13, DIRECTORY_AT)
    data[DIRECTORY_AT:DIRECTORY_AT + 16] = bytes(range(0x1F, 0x2F))  # sentinel, not read
    struct.pack_into("<IB", data, DIRECTORY_AT + 16, entries * 9 + 1, entries)
    struct.pack_into("<BII", data, DIRECTORY_AT + 21, 1, THUMBNAIL_AT, 0)
    struct.pack_into("<BII", data, DIRECTORY_AT + 30, 2, THUMBNAIL_AT,
                     len(thumb) if length is None else length)
    if entries > 2:
        struct.pack_into("<BII", data, DIRECTORY_AT + 39, 3, THUMBNAIL_AT, 0)
    whole = bytes(data) + thumb
    return whole[:len(whole) - cut] if cut else whole


def write(path, **kwargs):
    """Writes drawing(**kwargs) to path (parents made) and returns the path.
    Thumbnail keywords (width, height, planes, pixel, palette) build the thumbnail."""
    thumb_keys = {"width", "height", "pixel", "palette", "planes", "colours_used"}
    thumb_args = {k: kwargs.pop(k) for k in list(kwargs) if k in thumb_keys}
    if thumb_args:
        kwargs["thumb"] = thumbnail(thumb_args.pop("width", 180), thumb_args.pop("height", 120),
                                    **thumb_args)
    path = Path(path)
    path.parent.mkdir(parents=True, exist_ok=True)
    path.write_bytes(drawing(**kwargs))
    return path


def diagonals_png(size, spacing=64, ink=(0, 0, 0), ground=(255, 255, 255)):
    """A size x size PNG of one-pixel diagonals (x - y a multiple of spacing) on a plain
    ground: what the largest stored thumbnails hold, and what a careless shrink breaks."""
    rows = []
    for y in range(size):
        row = bytearray(bytes(ground) * size)
        for x in range(y % spacing, size, spacing):
            row[3 * x:3 * x + 3] = bytes(ink)
        rows.append(bytes(row))
    return encode_png(size, size, b"".join(rows))


def with_thumbnail(drawing_bytes, thumb):
    """A real drawing with `thumb` appended and its directory's bitmap entry (start S at
    D+31, length L at D+35) pointed at it; the drawing's own thumbnail stays, unused."""
    data = bytearray(drawing_bytes)
    directory = struct.unpack_from("<I", data, 13)[0]
    if data[directory + 20] != 2:
        raise ValueError("the drawing has no two-entry thumbnail directory")
    struct.pack_into("<II", data, directory + 31, len(data), len(thumb))
    return bytes(data) + thumb


def without_thumbnail(drawing_bytes):
    """A real drawing whose thumbnail directory lists its header entry alone: NoBitmap, the
    picture's bytes left where they were, unused."""
    data = bytearray(drawing_bytes)
    directory = struct.unpack_from("<I", data, 13)[0]
    if data[directory + 20] != 2:
        raise ValueError("the drawing has no two-entry thumbnail directory")
    data[directory + 20] = 1
    return bytes(data)


def dxf_with_thumbnail(dxf_bytes, dib):
    """An ASCII DXF drawing with a THUMBNAILIMAGE section holding `dib` (a packed DIB) before
    its EOF, where CAD programs write it: its length (90), then hex in 310 lines of at most
    127 bytes, in the drawing's own line ending."""
    newline = b"\r\n" if b"\r\n" in dxf_bytes[:256] else b"\n"
    lines = dxf_bytes.split(newline)
    end = max(i for i, line in enumerate(lines) if line.strip() == b"EOF")
    pairs = [(0, "SECTION"), (2, "THUMBNAILIMAGE"), (90, str(len(dib)))]
    pairs += [(310, dib[i:i + 127].hex().upper()) for i in range(0, len(dib), 127)]
    pairs.append((0, "ENDSEC"))
    section = [text for code, value in pairs for text in (b"%3d" % code, value.encode())]
    return newline.join(lines[:end - 1] + section + lines[end - 1:])
