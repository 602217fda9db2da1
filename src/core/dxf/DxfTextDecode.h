#pragma once
// From the bytes a text entity holds to the characters drawn, line by line. The bytes are in
// the drawing's code page ("$DWGCODEPAGE": ANSI_1252, ANSI_932, ...), or UTF-8 in drawings
// from R2007 on; inside them, escapes: \U+XXXX (a Unicode character), \M+nXXXX (a double-byte
// character of another code page), %%c %%d %%p %%% (diameter, degree, plus-minus, percent;
// %%nnn a character by number; the %%u and %%o underline and overline toggles are dropped),
// and ^ with a letter for a control character. MTEXT adds its format codes, stripped here.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// A character whose code page gives no Unicode value (another page's double-byte character):
// drawn as a wide box, like the Japanese ones the font lacks.
inline constexpr char32_t kWideUnknown = 0x3013;
// Characters a text draws at most; the rest is cut, whatever the entity holds.
inline constexpr std::size_t kMaxTextChars = 4096;

// The bytes in `codePage` as characters, escapes left as they are. An unknown or empty page
// reads as ANSI_1252; "UTF-8" (what a caller passes for R2007 and later) as UTF-8. Bytes that
// form no character give U+FFFD.
std::u32string DecodeCodePage(std::string_view bytes, std::string_view codePage);

// A TEXT's (or ATTRIB's, ATTDEF's) characters with its escapes resolved: one line.
std::u32string TextCharacters(std::u32string_view raw, std::string_view codePage);

// An MTEXT's lines, its format codes stripped: \P (and \N, \X, ^J) break lines, stacked
// fractions read "a/b", groups and font, height, colour and other settings are dropped.
std::vector<std::u32string> MtextLines(std::u32string_view raw, std::string_view codePage);
