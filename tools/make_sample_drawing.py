#!/usr/bin/env python3
"""Writes samples/sample.dwg: a small drawing file of our own whose thumbnail shows a floor
plan, laid out as a CAD program lays it out (release code, thumbnail directory, an 8-bit DIB
drawn on a black background). It carries no geometry; the viewer reads only the thumbnail."""
import struct
import sys

WIDTH, HEIGHT = 200, 140
BLACK, WHITE, RED, YELLOW, CYAN, GREEN = range(6)
PALETTE = [0x000000, 0xFFFFFF, 0xFF0000, 0xFFFF00, 0x00FFFF, 0x00C000]


def draw():
    px = [[BLACK] * WIDTH for _ in range(HEIGHT)]  # rows top to bottom

    def hline(y, x0, x1, c):
        for x in range(x0, x1 + 1):
            px[y][x] = c

    def vline(x, y0, y1, c):
        for y in range(y0, y1 + 1):
            px[y][x] = c

    def rect(x0, y0, x1, y1, c):
        hline(y0, x0, x1, c)
        hline(y1, x0, x1, c)
        vline(x0, y0, y1, c)
        vline(x1, y0, y1, c)

    rect(20, 15, 180, 125, WHITE)          # outer walls
    vline(100, 15, 125, WHITE)             # dividing wall
    hline(70, 20, 100, WHITE)
    for y in range(60, 81):                # a door gap in the dividing wall
        px[y][100] = BLACK
    rect(120, 35, 160, 60, CYAN)           # a table
    rect(35, 90, 80, 110, YELLOW)          # a bed
    for i in range(0, 60):                 # a dimension line in red
        px[5][60 + i] = RED
    for y in range(2, 9):
        px[y][60] = RED
        px[y][119] = RED
    for d in range(12):                    # a north arrow in green
        px[130 - d][190] = GREEN
        px[130 - d + d // 2][190 - d // 3] = GREEN
    return px


def thumbnail():
    stride = (WIDTH + 3) & ~3
    rows = draw()
    pixels = b"".join(bytes(rows[y]) + bytes(stride - WIDTH) for y in reversed(range(HEIGHT)))
    header = struct.pack("<IiiHHIIiiII", 40, WIDTH, HEIGHT, 1, 8, 0, len(pixels), 0, 0, 0, 0)
    table = b"".join(struct.pack("<I", c) for c in PALETTE) + bytes(4 * (256 - len(PALETTE)))
    return header + table + pixels


def drawing():
    thumb = thumbnail()
    directory_at, thumb_at = 0x80, 0x100
    data = bytearray(thumb_at)
    data[0:6] = b"AC1015"
    data[13:17] = struct.pack("<I", directory_at)
    data[directory_at:directory_at + 16] = bytes(range(0x1F, 0x2F))  # sentinel
    struct.pack_into("<IB", data, directory_at + 16, 2 * 9 + 1, 2)
    struct.pack_into("<BII", data, directory_at + 21, 1, thumb_at, 0)  # header data, empty
    struct.pack_into("<BII", data, directory_at + 30, 2, thumb_at, len(thumb))
    return bytes(data) + thumb


if __name__ == "__main__":
    out = sys.argv[1] if len(sys.argv) > 1 else "samples/sample.dwg"
    with open(out, "wb") as f:
        f.write(drawing())
