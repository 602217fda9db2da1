#pragma once
// Text entities (TEXT, ATTRIB, MTEXT, and ATTDEF as its tag) as the strokes of a built-in
// single-stroke font, in world coordinates: the text decoded by the drawing's code page
// ("$DWGCODEPAGE", e.g. ANSI_1252, ANSI_932) and \U+XXXX escapes, MTEXT's format codes
// stripped, and height, rotation, width factor, oblique and alignment honoured. Characters
// the font lacks are drawn as their box. A text draws its first 4096 characters (MTEXT: of
// its first 256 KiB), whatever it holds; an invisible attribute draws nothing.
#include <string_view>

#include "dxf/DxfGeometry.h"

// Appends the strokes of `entity` to `out`; nothing for a kind that is no text. `codePage` is
// what TextCodePage gives for the drawing.
void TextOutlinesOf(const DxfEntity& entity, std::string_view codePage, DxfOutlines& out);

// The encoding of a drawing's text: "$DWGCODEPAGE", or "UTF-8" from R2007 (AC1021) on, whose
// DXF text is UTF-8 whatever that says.
std::string_view TextCodePage(const DxfHeader& header);
