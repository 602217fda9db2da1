#pragma once
// Text entities (TEXT, ATTRIB, MTEXT, and ATTDEF as its tag) as the strokes of a built-in
// single-stroke font, in world coordinates: the text decoded by the drawing's code page
// ("$DWGCODEPAGE", e.g. ANSI_1252, ANSI_932) and \U+XXXX escapes, MTEXT's format codes
// stripped, and height, rotation, width factor, oblique and alignment honoured. Characters
// the font lacks are drawn as their box.
#include <string_view>

#include "dxf/DxfGeometry.h"

// Appends the strokes of `entity` to `out`; nothing for a kind that is no text.
void TextOutlinesOf(const DxfEntity& entity, std::string_view codePage, DxfOutlines& out);
