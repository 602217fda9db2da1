#pragma once
// The single-stroke font text is drawn with (the Hershey Roman Simplex font, see
// StrokeFontData.cpp): printable ASCII, the accented Latin letters of the ANSI pages and a few
// signs. Glyph points are small integers: x from the glyph's left edge, y up from the
// baseline, in units of which the capital letters' height holds kUnitsPerCap.
#include <cstddef>
#include <cstdint>

namespace strokefont {

inline constexpr double kUnitsPerCap = 21;
inline constexpr double kDescent = 7;   // below the baseline, the tails of g, j, p, q, y
inline constexpr int8_t kPenUp = -128;  // in place of an x: the next point starts a stroke

struct Glyph {
    char32_t code;
    uint8_t advance;
    uint16_t first, count;  // its range of kPoints: x, y pairs and pen-ups
};

extern const Glyph kGlyphs[];  // sorted by code
extern const std::size_t kGlyphCount;
extern const int8_t kPoints[];

// The glyph of `code`, or null when the font lacks it.
const Glyph* FindGlyph(char32_t code);

}  // namespace strokefont
