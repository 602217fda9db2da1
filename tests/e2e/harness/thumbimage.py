"""Reading a thumbnail image (the BMP or PNG file the ortholux-preview tool writes) and
predicting what the viewer's stretched image area shows at chosen screen points.

Stretching rounds differently from one implementation to the next, so a screen point is
predicted as "one of the colours around its source pixel": inside a uniform patch of the
thumbnail that is exactly one colour, on a thin line any rounding is allowed for.
"""
import struct
import zlib


class Picture:
    width = height = 0
    _colours = None

    def colours(self):
        """Every colour the picture holds."""
        if self._colours is None:
            self._colours = frozenset(self.pixel(x, y) for y in range(self.height)
                                      for x in range(self.width))
        return self._colours

    def pixel(self, x, y):
        raise NotImplementedError

    def around(self, x, y, radius):
        """The set of colours within radius of (x, y)."""
        return frozenset(self.pixel(sx, sy)
                         for sy in range(max(0, y - radius), min(self.height, y + radius + 1))
                         for sx in range(max(0, x - radius), min(self.width, x + radius + 1)))


def decode(data):
    """Bmp or Png by the file's signature."""
    return Png(data) if data[:8] == PNG_SIGNATURE else Bmp(data)


class Bmp(Picture):
    """Uncompressed BMP (1/4/8/24/32 bits). pixel(x, y) -> (r, g, b), y = 0 the top row."""

    def __init__(self, data):
        if data[:2] != b"BM":
            raise ValueError("not a BMP file")
        bits_at = struct.unpack_from("<I", data, 10)[0]
        (size, width, height, _planes, bpp, compression,
         _image, _xppm, _yppm, used) = struct.unpack_from("<IiiHHIIiiI", data, 14)
        if compression not in (0, 3) or bpp not in (1, 4, 8, 24, 32):
            raise ValueError(f"unsupported BMP: {bpp} bits, compression {compression}")
        colours = used or (1 << bpp if bpp <= 8 else 0)
        table_at = 14 + size
        self.palette = [struct.unpack_from("<BBB", data, table_at + 4 * i)[::-1]
                        for i in range(colours)]
        self.width, self.height = width, abs(height)
        self.bpp = bpp
        self._top_down = height < 0
        self._stride = ((width * bpp + 31) // 32) * 4
        self._bits = data[bits_at:]

    def pixel(self, x, y):
        row = y if self._top_down else self.height - 1 - y
        at = row * self._stride
        if self.bpp >= 24:
            i = at + x * (self.bpp // 8)
            b, g, r = self._bits[i:i + 3]
            return (r, g, b)
        per_byte = 8 // self.bpp
        byte = self._bits[at + x // per_byte]
        shift = 8 - self.bpp * (x % per_byte + 1)
        return self.palette[(byte >> shift) & ((1 << self.bpp) - 1)]


PNG_SIGNATURE = b"\x89PNG\r\n\x1a\n"


class Png(Picture):
    """Non-interlaced 8-bit PNG: palette (type 3), RGB (2) or RGBA (6, alpha ignored)."""

    _CHANNELS = {3: 1, 2: 3, 6: 4}

    def __init__(self, data):
        if data[:8] != PNG_SIGNATURE:
            raise ValueError("not a PNG file")
        pos, idat, self.palette = 8, b"", []
        while pos < len(data):
            length, kind = struct.unpack_from(">I4s", data, pos)
            body = data[pos + 8:pos + 8 + length]
            if kind == b"IHDR":
                self.width, self.height, depth, self._type, _, _, interlace = \
                    struct.unpack(">IIBBBBB", body)
                if depth != 8 or interlace or self._type not in self._CHANNELS:
                    raise ValueError("unsupported PNG")
            elif kind == b"PLTE":
                self.palette = [tuple(body[i:i + 3]) for i in range(0, len(body), 3)]
            elif kind == b"IDAT":
                idat += body
            pos += 12 + length
        self._bpp = self._CHANNELS[self._type]
        self._rows = self._unfilter(zlib.decompress(idat))

    def _unfilter(self, raw):
        stride, bpp = self.width * self._bpp, self._bpp
        rows, prior = [], bytearray(stride)
        for y in range(self.height):
            at = y * (stride + 1)
            kind, row = raw[at], bytearray(raw[at + 1:at + 1 + stride])
            for i in range(stride):
                a = row[i - bpp] if i >= bpp else 0
                b = prior[i]
                c = prior[i - bpp] if i >= bpp else 0
                if kind == 1:
                    row[i] = (row[i] + a) & 255
                elif kind == 2:
                    row[i] = (row[i] + b) & 255
                elif kind == 3:
                    row[i] = (row[i] + (a + b) // 2) & 255
                elif kind == 4:
                    p = a + b - c
                    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                    row[i] = (row[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
            rows.append(bytes(row))
            prior = row
        return rows

    def rgba(self):
        """Every pixel of an RGBA (type 6) image, 4 bytes each, top row first."""
        if self._type != 6:
            raise ValueError("not an RGBA PNG")
        return b"".join(self._rows)

    def pixel(self, x, y):
        at = x * self._bpp
        if self._type == 3:
            return self.palette[self._rows[y][at]]
        return tuple(self._rows[y][at:at + 3])


def expected_points(picture, area, step=6, radius=1, visible=None):
    """[((X, Y), colours)] for a grid of screen points of area (a Rect, the image control):
    the colours the stretched picture may show there. visible (l, t, r, b) limits the
    points to the part of the screen that can be captured."""
    points = []
    for ay in range(step // 2, area.height, step):
        for ax in range(step // 2, area.width, step):
            x, y = area.left + ax, area.top + ay
            if visible and not (visible[0] <= x < visible[2] and visible[1] <= y < visible[3]):
                continue
            sx = source_index(ax, area.width, picture.width)
            sy = source_index(ay, area.height, picture.height)
            points.append(((x, y), picture.around(sx, sy, radius)))
    return points


def source_index(at, shown, stored):
    """The stored row or column whose middle the shown one at `at` (of `shown`) covers."""
    return min(stored - 1, (2 * at + 1) * stored // (2 * shown))
