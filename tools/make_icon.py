#!/usr/bin/env python3
"""Draws the application icon, a drawing sheet under a magnifier, and writes it as an ICO
file with a 32 x 32 and a 16 x 16 image of 256 colours (8-bit palette, 1-bit mask).

The picture is described in a 32-unit square and rendered at each size with 8 x 8 samples a
pixel, so the small image is drawn, not shrunk. Python standard library only.

    python3 tools/make_icon.py [out.ico]      (default: res/Ortholux.ico)
"""
import math
import struct
import sys
from pathlib import Path

SAMPLES = 8  # per pixel and axis

PAPER = (255, 255, 255)
FOLD = (206, 212, 222)
EDGE = (64, 72, 88)
SHADOW = (128, 128, 136)
INK = (0, 64, 176)
TITLE_INK = (176, 32, 32)
GLASS = (150, 210, 255)
RIM = (40, 44, 52)
HANDLE = (120, 64, 24)
SHINE = (255, 255, 255)


# ---- shapes: each answers "does this point belong to me" in 32-unit coordinates ----

def polygon(points):
    def inside(x, y):
        hit = False
        j = len(points) - 1
        for i, (xi, yi) in enumerate(points):
            xj, yj = points[j]
            if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
                hit = not hit
            j = i
        return hit
    return inside


def rect(left, top, right, bottom):
    return lambda x, y: left <= x < right and top <= y < bottom


def disc(cx, cy, radius):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= radius * radius


def ring(cx, cy, inner, outer):
    def inside(x, y):
        d = (x - cx) ** 2 + (y - cy) ** 2
        return inner * inner <= d <= outer * outer
    return inside


def segment(x0, y0, x1, y1, width):
    dx, dy = x1 - x0, y1 - y0
    length2 = dx * dx + dy * dy

    def inside(x, y):
        t = max(0.0, min(1.0, ((x - x0) * dx + (y - y0) * dy) / length2))
        px, py = x0 + t * dx, y0 + t * dy
        return (x - px) ** 2 + (y - py) ** 2 <= (width / 2) ** 2
    return inside


def arc(cx, cy, radius, width, start_deg, end_deg):
    band = ring(cx, cy, radius - width / 2, radius + width / 2)

    def inside(x, y):
        if not band(x, y):
            return False
        angle = math.degrees(math.atan2(y - cy, x - cx)) % 360
        return start_deg <= angle <= end_deg
    return inside


def outline(points, width):
    edges = [segment(*points[i], *points[(i + 1) % len(points)], width)
             for i in range(len(points))]
    return lambda x, y: any(edge(x, y) for edge in edges)


# ---- the picture: (shape, colour, opacity[, smallest size drawn at]) painted in order ----

SHEET = [(3, 2), (20, 2), (25, 7), (25, 29), (3, 29)]
FOLD_CORNER = [(20, 2), (20, 7), (25, 7)]
LENS = (20.5, 19.5)

LAYERS = [
    (polygon([(x + 1.5, y + 1.5) for x, y in SHEET]), SHADOW, 1.0),
    (polygon(SHEET), PAPER, 1.0),
    (polygon(FOLD_CORNER), FOLD, 1.0),
    (outline(SHEET, 1.0), EDGE, 1.0),
    (outline(FOLD_CORNER, 1.0), EDGE, 1.0),
    # An orthographic view of a plate with a bore, and its title block.
    (outline([(6.5, 6.5), (16.5, 6.5), (16.5, 15.5), (6.5, 15.5)], 1.2), INK, 1.0),
    (ring(11.5, 11, 2.0, 3.2), INK, 1.0),
    # Centre lines thinner than a pixel only blur the 16 x 16 image.
    (segment(5.5, 11, 17.5, 11, 0.6), TITLE_INK, 1.0, 32),
    (segment(11.5, 5.5, 11.5, 16.5, 0.6), TITLE_INK, 1.0, 32),
    (segment(3.5, 24.5, 24.5, 24.5, 1.0), INK, 1.0),
    (segment(14.5, 24.5, 14.5, 28.5, 1.0), INK, 1.0),
    # The magnifier: tinted glass over the sheet, a dark rim, a highlight and the handle.
    (disc(*LENS, 6.0), GLASS, 0.45),
    (arc(*LENS, 4.2, 1.3, 195, 255), SHINE, 0.9),
    (ring(*LENS, 5.6, 7.6), RIM, 1.0),
    (segment(25.8, 24.8, 30.0, 29.0, 4.2), HANDLE, 1.0),
    (segment(25.2, 24.2, 26.4, 25.4, 4.6), RIM, 1.0),
]


def render(size):
    """RGBA rows of the picture at size x size pixels."""
    scale = 32 / size
    layers = [layer[:3] for layer in LAYERS if len(layer) < 4 or size >= layer[3]]
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            r = g = b = a = 0.0
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    x = (px + (sx + 0.5) / SAMPLES) * scale
                    y = (py + (sy + 0.5) / SAMPLES) * scale
                    cr = cg = cb = ca = 0.0
                    for shape, colour, opacity in layers:
                        if shape(x, y):
                            cr = cr * (1 - opacity) + colour[0] * opacity
                            cg = cg * (1 - opacity) + colour[1] * opacity
                            cb = cb * (1 - opacity) + colour[2] * opacity
                            ca = ca * (1 - opacity) + opacity
                    r, g, b, a = r + cr, g + cg, b + cb, a + ca
            n = SAMPLES * SAMPLES
            if a == 0:
                row.append((0, 0, 0, 0))
            else:
                # Colour of the covered part only: edges keep their colour, the mask cuts them.
                row.append((round(r / a), round(g / a), round(b / a), a / n))
        rows.append(row)
    return rows


def quantize(rows):
    """Palette of at most 256 colours (black first, for the masked pixels) and index rows."""
    step = 1
    while True:
        def snap(c):
            return tuple(min(255, round(v / step) * step) for v in c[:3])
        colours = {snap(p) for row in rows for p in row if p[3] >= 0.5}
        colours.discard((0, 0, 0))
        if len(colours) <= 255:
            break
        step *= 2
    palette = [(0, 0, 0)] + sorted(colours)
    index = {c: i for i, c in enumerate(palette)}
    indices = [[index[snap(p)] if p[3] >= 0.5 else 0 for p in row] for row in rows]
    masks = [[p[3] < 0.5 for p in row] for row in rows]
    return palette, indices, masks


def icon_image(size):
    """One icon image: BITMAPINFOHEADER, 256-entry palette, 8-bit rows, 1-bit mask rows."""
    palette, indices, masks = quantize(render(size))
    xor_stride = (size + 3) & ~3
    and_stride = ((size + 31) // 32) * 4
    xor = bytearray()
    mask = bytearray()
    for y in reversed(range(size)):  # rows bottom-up
        xor += bytes(indices[y]) + bytes(xor_stride - size)
        bits = bytearray(and_stride)
        for x, transparent in enumerate(masks[y]):
            if transparent:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 8, 0, len(xor) + len(mask),
                         0, 0, 0, 0)
    quads = b''.join(struct.pack('BBBB', b, g, r, 0) for r, g, b in palette)
    quads += bytes(4 * (256 - len(palette)))
    return header + quads + bytes(xor) + bytes(mask)


def write_ico(path, sizes=(32, 16)):
    images = [icon_image(size) for size in sizes]
    directory = struct.pack('<HHH', 0, 1, len(images))
    offset = len(directory) + 16 * len(images)
    entries = b''
    for size, image in zip(sizes, images):
        # Width, height, colour count (0 means 256), reserved, planes, bits, bytes, offset.
        entries += struct.pack('<BBBBHHII', size, size, 0, 0, 1, 8, len(image), offset)
        offset += len(image)
    Path(path).write_bytes(directory + entries + b''.join(images))


def main():
    out = Path(sys.argv[1]) if len(sys.argv) > 1 else \
        Path(__file__).resolve().parent.parent / 'res' / 'Ortholux.ico'
    write_ico(out)
    print(out)


if __name__ == '__main__':
    main()
