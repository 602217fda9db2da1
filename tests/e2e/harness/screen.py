"""Screenshots of the X root window: one capture, then any number of pixel look-ups."""
import struct
import subprocess
import zlib


class Shot:
    """An RGB picture of the whole screen; screen coordinates equal Wine's."""

    def __init__(self, width, height, rgb):
        if len(rgb) != width * height * 3:
            raise ValueError("pixel data does not match the size")
        self.width, self.height, self.rgb = width, height, rgb

    @classmethod
    def capture(cls, display, env=None):
        ppm = subprocess.run(["import", "-display", display, "-window", "root", "-depth", "8",
                              "ppm:-"], env=env, check=True, capture_output=True,
                             timeout=30).stdout
        return cls.from_ppm(ppm)

    @classmethod
    def from_ppm(cls, data):
        fields, pos = [], 0
        while len(fields) < 4:  # magic, width, height, maximum; "#" starts a comment
            while data[pos:pos + 1].isspace():
                pos += 1
            if data[pos:pos + 1] == b"#":
                pos = data.index(b"\n", pos)
                continue
            end = pos
            while not data[end:end + 1].isspace():
                end += 1
            fields.append(data[pos:end])
            pos = end
        if fields[0] != b"P6" or fields[3] != b"255":
            raise ValueError("expected an 8-bit binary PPM")
        width, height = int(fields[1]), int(fields[2])
        start = pos + 1
        return cls(width, height, data[start:start + width * height * 3])

    def pixel(self, x, y):
        if not (0 <= x < self.width and 0 <= y < self.height):
            raise IndexError(f"({x}, {y}) is off the {self.width}x{self.height} screen")
        i = (y * self.width + x) * 3
        return tuple(self.rgb[i:i + 3])

    def count(self, colour, rect):
        """How many pixels of rect (left, top, right, bottom; right/bottom excluded) match."""
        left, top, right, bottom = rect
        wanted = bytes(colour)
        total = 0
        for y in range(top, bottom):
            row = self.rgb[(y * self.width + left) * 3:(y * self.width + right) * 3]
            total += sum(1 for i in range(0, len(row), 3) if row[i:i + 3] == wanted)
        return total

    def save_png(self, path):
        with open(path, "wb") as f:
            f.write(encode_png(self.width, self.height, self.rgb))


def encode_png(width, height, rgb):
    """An 8-bit RGB PNG file of rows of packed RGB bytes, top row first."""
    def chunk(kind, body):
        return (struct.pack(">I", len(body)) + kind + body
                + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF))
    stride = width * 3
    raw = b"".join(b"\0" + rgb[y * stride:(y + 1) * stride] for y in range(height))
    header = struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
            + chunk(b"IDAT", zlib.compress(raw, 6)) + chunk(b"IEND", b""))
