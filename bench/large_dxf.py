#!/usr/bin/python3
"""Writes large DXF drawings for the benchmarks: a grid of cells of lines, arcs, circles,
closed polylines with bulges, texts and inserts of a few blocks (nested, and every tenth an
array of columns and rows), ASCII or binary, R2000, up to a given size, streamed to the file.

The header, tables and blocks come from the Python DXF library (so that it reads the result
as well as we do); the entities are written here, cell after cell, each with its own handle,
until the file reaches the size asked for. The saved view shows the whole grid.

    large_dxf.py OUT.dxf SIZE [--binary]        SIZE: bytes, or 5M, 100M, 1G
"""
import argparse
import io
import math
import struct
import sys

import ezdxf

CELL = 100.0  # drawing units between cells
LAYERS = [("WALLS", 7), ("DOORS", 1), ("TEXT", 3), ("PARTS", 5)]


def dxf_type(code):
    """'d' double, 'h' int16, 'i' int32, 'q' int64, 'b' bool, 'x' binary chunk, 's' string."""
    def within(*ranges):
        return any(lo <= code <= hi for lo, hi in ranges)
    if within((10, 59), (110, 149), (210, 239), (460, 469), (1010, 1059)):
        return "d"
    if within((60, 79), (170, 179), (270, 289), (370, 389), (400, 409), (1060, 1070)):
        return "h"
    if within((90, 99), (420, 429), (440, 459), (1071, 1071)):
        return "i"
    if within((160, 169)):
        return "q"
    if within((290, 299)):
        return "b"
    if within((310, 319), (1004, 1004)):
        return "x"
    return "s"


class PairWriter:
    """(code, value) pairs as ASCII lines or binary DXF (two-byte codes, R13 on)."""

    def __init__(self, out, binary):
        self.out = out
        self.binary = binary
        self.types = {}
        self.written = 0
        if binary:
            self._raw(b"AutoCAD Binary DXF\r\n\x1a\0")

    def _raw(self, data):
        self.out.write(data)
        self.written += len(data)

    def pairs(self, pairs):
        if not self.binary:
            text = "".join(f"{code:>3}\n{value}\n" for code, value in pairs)
            self._raw(text.encode("cp1252", "replace"))
            return
        chunks = []
        for code, value in pairs:
            kind = self.types.get(code) or self.types.setdefault(code, dxf_type(code))
            chunks.append(struct.pack("<h", code))
            if kind == "s":
                chunks.append(str(value).encode("cp1252", "replace") + b"\0")
            elif kind == "d":
                chunks.append(struct.pack("<d", float(value)))
            elif kind == "x":
                data = bytes.fromhex(str(value))
                chunks.append(bytes([len(data)]) + data)
            elif kind == "b":
                chunks.append(bytes([int(value)]))
            else:
                chunks.append(struct.pack("<" + kind, int(value)))
        self._raw(b"".join(chunks))


def template(grid_side):
    """The library's drawing with our layers and blocks, as (code, value) pairs, split around
    the ENTITIES section's body; the first free handle; the model space's record handle."""
    doc = ezdxf.new("R2000")
    for name, colour in LAYERS:
        doc.layers.add(name, color=colour)
    bolt = doc.blocks.new("BOLT", base_point=(0, 0))
    bolt.add_circle((0, 0), 1.5, dxfattribs={"layer": "PARTS"})
    bolt.add_line((-2, 0), (2, 0))
    bolt.add_line((0, -2), (0, 2))
    door = doc.blocks.new("DOOR")
    door.add_line((0, 0), (9, 0), dxfattribs={"layer": "DOORS"})
    door.add_arc((0, 0), 9, 0, 90, dxfattribs={"layer": "DOORS"})
    panel = doc.blocks.new("PANEL")
    panel.add_lwpolyline([(0, 0), (20, 0), (20, 12), (0, 12)], close=True)
    for x, y in ((2, 2), (18, 2), (18, 10), (2, 10)):
        panel.add_blockref("BOLT", (x, y), dxfattribs={"xscale": 0.5, "yscale": 0.5})
    panel.add_text("PANEL", dxfattribs={"height": 2.0, "insert": (5, 5), "layer": "TEXT"})
    frame = doc.blocks.new("FRAME")
    frame.add_blockref("PANEL", (0, 0))
    frame.add_blockref("PANEL", (25, 0), dxfattribs={"rotation": 90})
    frame.add_blockref("DOOR", (0, 20), dxfattribs={"xscale": 2, "yscale": 2})
    extent = grid_side * CELL
    doc.header["$EXTMIN"] = (0, 0, 0)
    doc.header["$EXTMAX"] = (extent, extent, 0)
    doc.set_modelspace_vport(height=extent * 1.05, center=(extent / 2, extent / 2))
    seed = int(doc.header["$HANDSEED"], 16)
    doc.header["$HANDSEED"] = f"{seed + (1 << 40):X}"  # above every handle written below
    text = io.StringIO()
    doc.write(text)
    lines = text.getvalue().split("\n")
    pairs = [(int(lines[i]), lines[i + 1]) for i in range(0, len(lines) - 1, 2)]
    start = pairs.index((2, "ENTITIES")) + 1
    return pairs[:start], pairs[start:], seed, doc.modelspace().block_record_handle


def cell(k, x, y, handle, owner):
    """The entities of one cell at (x, y), handles from `handle` on."""
    def head(kind, layer, subclass, colour=None):
        nonlocal handle
        handle += 1
        pairs = [(0, kind), (5, f"{handle - 1:X}"), (330, owner), (100, "AcDbEntity"),
                 (8, layer)]
        if colour is not None:
            pairs.append((62, colour))
        pairs.append((100, subclass))
        return pairs

    def f(v):
        return f"{v:.12g}"

    s = 1 + (k % 7) * 0.1
    out = []
    for (ax, ay), (bx, by) in (((0, 0), (80, 0)), ((80, 0), (80, 60)), ((80, 60), (0, 60)),
                               ((0, 60), (0, 0))):
        out += head("LINE", "WALLS", "AcDbLine")
        out += [(10, f(x + ax * s)), (20, f(y + ay)), (30, "0.0"),
                (11, f(x + bx * s)), (21, f(y + by)), (31, "0.0")]
    out += head("CIRCLE", "PARTS", "AcDbCircle")
    out += [(10, f(x + 20.5)), (20, f(y + 30.25)), (30, "0.0"), (40, f(5 + k % 5))]
    out += head("ARC", "DOORS", "AcDbCircle", colour=(k % 255) + 1)
    out += [(10, f(x + 60)), (20, f(y + 30)), (30, "0.0"), (40, "8.5"), (100, "AcDbArc"),
            (50, f(k % 360)), (51, f((k * 7 + 90) % 360))]
    out += head("LWPOLYLINE", "WALLS", "AcDbPolyline")
    out += [(90, 5), (70, 1), (43, "0.0")]
    for i, (px, py) in enumerate(((5, 5), (30, 5), (35, 15), (20, 25), (5, 20))):
        out += [(10, f(x + px)), (20, f(y + py))]
        if i == 1:
            out.append((42, "0.414213562373"))
    out += head("TEXT", "TEXT", "AcDbText")
    out += [(10, f(x + 4)), (20, f(y + 52)), (30, "0.0"), (40, "3.5"), (1, f"Room {k}"),
            (50, f((k % 4) * 15)), (100, "AcDbText")]
    out += head("INSERT", "PARTS", "AcDbBlockReference")
    out += [(2, "BOLT" if k % 2 else "DOOR"), (10, f(x + 50)), (20, f(y + 10)), (30, "0.0"),
            (41, f(s)), (42, f(s)), (50, f(k % 90))]
    if k % 10 == 0:
        out += head("INSERT", "PARTS", "AcDbBlockReference")
        out += [(2, "PANEL"), (10, f(x + 40)), (20, f(y + 35)), (30, "0.0"), (41, "0.5"),
                (42, "0.5"), (70, 3), (71, 2), (44, "11.0"), (45, "7.0")]
    if k % 50 == 25:
        out += head("INSERT", "WALLS", "AcDbBlockReference")
        out += [(2, "FRAME"), (10, f(x + 10)), (20, f(y + 10)), (30, "0.0"), (41, "0.8"),
                (42, "0.8"), (50, "15.0")]
    return out, handle


def write_drawing(path, size, binary=False):
    """Writes a drawing of about `size` bytes (a little more: the last cell, the closing
    sections); returns the bytes written."""
    # The grid is square: estimate the cells from one cell's size (about 3 KiB).
    sample, _ = cell(0, 12345.678, 12345.678, 0x100000, "1F")
    buffer = io.BytesIO()
    PairWriter(buffer, binary).pairs(sample * 1)
    side = max(1, math.ceil(math.sqrt(size / max(1, len(buffer.getvalue())))))
    head, tail, handle, owner = template(side)
    with open(path, "wb", buffering=1 << 20) as out:
        writer = PairWriter(out, binary)
        writer.pairs(head)
        k = 0
        batch = []
        while writer.written + 64 < size:
            entities, handle = cell(k, (k % side) * CELL, (k // side) * CELL, handle, owner)
            batch += entities
            k += 1
            if len(batch) > 4096 or k % side == 0:
                writer.pairs(batch)
                batch = []
        writer.pairs(batch)
        writer.pairs(tail)
        return writer.written


def parse_size(text):
    units = {"K": 1 << 10, "M": 1 << 20, "G": 1 << 30}
    text = text.strip().upper()
    if text and text[-1] in units:
        return int(float(text[:-1]) * units[text[-1]])
    return int(text)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("out")
    parser.add_argument("size", type=parse_size)
    parser.add_argument("--binary", action="store_true")
    args = parser.parse_args()
    written = write_drawing(args.out, args.size, args.binary)
    print(f"{args.out}: {written} bytes", file=sys.stderr)


if __name__ == "__main__":
    main()
