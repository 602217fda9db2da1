#include "StrokeFont.h"

#include <algorithm>

namespace strokefont {

const Glyph* FindGlyph(char32_t code) {
    const Glyph* end = kGlyphs + kGlyphCount;
    const Glyph* it =
        std::lower_bound(kGlyphs, end, code, [](const Glyph& g, char32_t c) { return g.code < c; });
    return it != end && it->code == code ? it : nullptr;
}

}  // namespace strokefont
