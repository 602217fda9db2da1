#!/usr/bin/env python3
"""Writes src/core/draw/StrokeFontData.cpp: the single-stroke font text is drawn with, as a
table of small integers, from the Hershey fonts of Debian's hershey-fonts-data package: Roman
Simplex (rowmans.jhf) for ASCII, Greek Simplex (greeks.jhf) and Cyrillic (cyrillic.jhf, the
only Cyrillic one, a complex face) for the letters of the Greek and Cyrillic ANSI pages. The
build uses the generated file; this script is only needed to make it again:

    python3 tools/make_stroke_font.py [FONT_FOLDER] [out.cpp]

Besides printable ASCII (and the font's degree sign), the Latin letters of the single-byte
ANSI pages that are an ASCII letter plus an accent (e, a grave accent, ...) are made here from
the letter and an accent drawn in the same units, and a few signs CAD text uses (plus-minus,
diameter, slashed and barred letters) from the font's own strokes.

A .jhf line is a glyph: a 5-digit number, a 3-digit count of coordinate pairs, then the pairs
as characters offset from "R" (x, then y growing downward); the first pair is the glyph's left
and right edge, " R" lifts the pen. Lines longer than 72 characters wrap.
"""
import sys
import unicodedata
from pathlib import Path

CAP_TOP = -12  # Hershey y of the capital letters' top
BASELINE = 9  # and of the baseline: the cap height is 21 units
PEN_UP = -128


def read_jhf(path):
    """The font's glyphs in file order, each (advance, strokes) with strokes in our units:
    x from the left edge, y up from the baseline."""
    lines = Path(path).read_text(encoding="ascii").splitlines()
    glyphs = []
    i = 0
    while i < len(lines):
        line = lines[i]
        i += 1
        if not line.strip():
            continue
        count = int(line[5:8])
        body = line[8:]
        while len(body) < 2 * count:
            body += lines[i]
            i += 1
        pairs = [(body[k], body[k + 1]) for k in range(0, 2 * count, 2)]
        left, right = ord(pairs[0][0]) - 82, ord(pairs[0][1]) - 82
        strokes, stroke = [], []
        for a, b in pairs[1:]:
            if (a, b) == (" ", "R"):
                strokes.append(stroke)
                stroke = []
                continue
            stroke.append((ord(a) - 82 - left, BASELINE - (ord(b) - 82)))
        strokes.append(stroke)
        glyphs.append((right - left, [s for s in strokes if s]))
    return glyphs


# Accents around x = 0, their foot at y = 0 (above a letter) or their head at 0 (below).
ACCENTS = {
    0x300: [[(1, 0), (-2, 4)]],
    0x301: [[(-1, 0), (2, 4)]],
    0x302: [[(-3, 0), (0, 3), (3, 0)]],
    0x303: [[(-4, 0), (-3, 2), (-1, 2), (1, 0), (3, 0), (4, 2)]],
    0x304: [[(-4, 1), (4, 1)]],
    0x306: [[(-3, 3), (-2, 1), (0, 0), (2, 1), (3, 3)]],
    0x307: [[(0, 1), (0, 2)]],
    0x308: [[(-3, 1), (-3, 2)], [(3, 1), (3, 2)]],
    0x30A: [[(0, 0), (-2, 1), (-2, 3), (0, 4), (2, 3), (2, 1), (0, 0)]],
    0x30B: [[(-3, 0), (-1, 4)], [(1, 0), (3, 4)]],
    0x30C: [[(-3, 3), (0, 0), (3, 3)]],
    0x327: [[(0, 0), (0, -2), (2, -3), (1, -5), (-1, -5)]],
    0x328: [[(2, 0), (0, -2), (1, -4), (3, -4)]],
}
BELOW = {0x327, 0x328}


def bounds(strokes):
    xs = [x for s in strokes for x, _ in s]
    ys = [y for s in strokes for _, y in s]
    return min(xs), max(xs), min(ys), max(ys)


def shifted(strokes, dx, dy):
    return [[(x + dx, y + dy) for x, y in s] for s in strokes]


def accented(base, mark):
    advance, strokes = base
    x0, x1, y0, y1 = bounds(strokes)
    accent = ACCENTS[mark]
    if mark in BELOW:
        dx = (x0 + x1) // 2 if mark == 0x327 else x1 - 3
        return advance, strokes + shifted(accent, dx, 0)
    return advance, strokes + shifted(accent, (x0 + x1) // 2, y1 + 2)


def crossed(base, stroke):
    advance, strokes = base
    return advance, strokes + [stroke]


# Where the Greek and Cyrillic fonts keep each letter, by the ASCII character in its place.
# Greek: the 24 letters in alphabetical order from A (and from a).
GREEK_UPPER = "ABCDEFGHIJKLMNOPQRSTUVWX"
# Cyrillic, for U+0410-U+042F and U+0430-U+044F: the font's own transliteration.
CYRILLIC_UPPER = "ABVGD[HZIEKLMNOPRSTYFX`JQW]$_CU^"
CYRILLIC_LOWER = "abvgd{hzieklmnoprstyfx%jqw|&~cu}"


def build(folder):
    """Code point -> (advance, strokes)."""
    glyphs = read_jhf(folder / "rowmans.jhf")
    greek = read_jhf(folder / "greeks.jhf")
    cyrillic = read_jhf(folder / "cyrillic.jhf")
    font = {0x20 + i: glyph for i, glyph in enumerate(glyphs[:95])}
    font[0xB0] = glyphs[95]  # the file's 96th glyph is the degree sign
    font[0xA0] = font[0x20]
    capitals = [c for c in range(0x391, 0x3AA) if c != 0x3A2]
    for letter, code in zip(GREEK_UPPER, capitals):
        font[code] = greek[ord(letter) - 0x20]
        font[code + 0x20] = greek[ord(letter.lower()) - 0x20]
    font[0x3C2] = font[0x3C3]  # final sigma
    for k in range(32):
        font[0x410 + k] = cyrillic[ord(CYRILLIC_UPPER[k]) - 0x20]
        font[0x430 + k] = cyrillic[ord(CYRILLIC_LOWER[k]) - 0x20]
    del font[0x419]  # the font's capital short I has no breve: composed below
    for code in list(range(0xC0, 0x250)) + list(range(0x370, 0x500)):
        parts = unicodedata.normalize("NFD", chr(code))
        if code in font or len(parts) != 2 or ord(parts[0]) not in font or ord(parts[1]) not in ACCENTS:
            continue
        font[code] = accented(font[ord(parts[0])], ord(parts[1]))
    plus_advance, plus = font[ord("+")]
    _, _, plus_bottom, _ = bounds(plus)
    font[0xB1] = (plus_advance, shifted(plus, 0, 3) + [[(4, plus_bottom), (plus_advance - 4,
                                                                            plus_bottom)]])
    font[0xD7] = (plus_advance, [[(5, 4), (plus_advance - 5, 14)], [(5, 14), (plus_advance - 5,
                                                                              4)]])
    font[0xB7] = (10, [[(5, 9), (5, 10)]])
    o_advance, o = font[ord("O")]
    font[0xD8] = crossed(font[ord("O")], [(3, -1), (o_advance - 3, 22)])
    font[0xF8] = crossed(font[ord("o")], [(3, -1), (font[ord("o")][0] - 3, 15)])
    font[0x2300] = crossed(font[ord("O")], [(2, -3), (o_advance - 2, 24)])  # diameter
    font[0x2205] = font[0x2300]
    font[0x141] = crossed(font[ord("L")], [(1, 7), (9, 13)])
    font[0x142] = crossed(font[ord("l")], [(-1, 8), (5, 14)])
    font[0x110] = crossed(font[ord("D")], [(1, 11), (8, 11)])
    font[0x111] = crossed(font[ord("d")], [(font[ord("d")][0] - 8, 18),
                                           (font[ord("d")][0] - 1, 18)])
    font[0xB5] = font[0x3BC]  # micro, as mu
    return font


def emit(font):
    entries, points = [], []
    for code in sorted(font):
        advance, strokes = font[code]
        first = len(points)
        for k, stroke in enumerate(strokes):
            if k:
                points.append(PEN_UP)
            for x, y in stroke:
                assert -127 <= x <= 127 and -127 <= y <= 127 and advance < 256
                points += [x, y]
        assert len(points) < 65536  # first and count are 16-bit
        entries.append(f"    {{0x{code:04X}, {advance}, {first}, {len(points) - first}}},")
    rows = [", ".join(str(v) for v in points[k:k + 20]) + "," for k in range(0, len(points), 20)]
    body = "\n".join("    " + r for r in rows)
    return f"""\
// Generated by tools/make_stroke_font.py from the Hershey fonts of Debian's hershey-fonts-data
// (Roman Simplex, Greek Simplex, Cyrillic); edit the script, not this file. Accented letters
// and a few signs are composed by the script from the fonts' strokes.
//
// The Hershey fonts are free for any use, provided these acknowledgements go with the data:
// - The Hershey Fonts were originally created by Dr. A. V. Hershey while working at the
//   U. S. National Bureau of Standards.
// - The format of the Font data in this distribution was originally created by
//   James Hurt, Cognition, Inc., 900 Technology Park Drive, Billerica, MA 01821
//   (mit-eddie!ci-dandelion!hurt)
#include "draw/StrokeFont.h"

namespace strokefont {{

const Glyph kGlyphs[] = {{
{chr(10).join(entries)}
}};
const std::size_t kGlyphCount = sizeof kGlyphs / sizeof kGlyphs[0];

const int8_t kPoints[] = {{
{body}
}};

}}  // namespace strokefont
"""


def main():
    folder = Path(sys.argv[1] if len(sys.argv) > 1 else "/usr/share/hershey-fonts")
    out = sys.argv[2] if len(sys.argv) > 2 else str(
        Path(__file__).resolve().parent.parent / "src/core/draw/StrokeFontData.cpp")
    Path(out).write_text(emit(build(folder)), encoding="ascii")


if __name__ == "__main__":
    main()
