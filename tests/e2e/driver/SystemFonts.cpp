// Which faces the prefix really gives the title bar: the caption font of the system's
// non-client metrics, and Marlett, the symbol font Wine draws the caption buttons with.
#include <cstring>

#include "Driver.h"

namespace olxdriver {

namespace {

void EmitFont(const char* role, LOGFONTA asked) {
    HDC dc = GetDC(nullptr);
    HFONT font = CreateFontIndirectA(&asked);
    if (!dc || !font) {
        if (font) DeleteObject(font);
        if (dc) ReleaseDC(nullptr, dc);
        throw LastError("CreateFontIndirectA");
    }
    HGDIOBJ old = SelectObject(dc, font);
    char face[LF_FACESIZE * 2] = {};
    GetTextFaceA(dc, sizeof face, face);
    TEXTMETRICA metrics{};
    GetTextMetricsA(dc, &metrics);
    SelectObject(dc, old);
    DeleteObject(font);
    ReleaseDC(nullptr, dc);
    // TMPF_FIXED_PITCH set means a variable pitch: the name says the opposite.
    const bool proportional = (metrics.tmPitchAndFamily & TMPF_FIXED_PITCH) != 0;
    Emit({"font", role, Escape(asked.lfFaceName), Escape(face), proportional ? "1" : "0"});
}

}  // namespace

// fonts: "font ROLE ASKED-FACE GOT-FACE PROPORTIONAL" for caption, menu and marlett.
int CmdFonts(const Args&) {
    NONCLIENTMETRICSA metrics{};
    metrics.cbSize = sizeof metrics;
    if (!SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
        throw LastError("SystemParametersInfoA");
    EmitFont("caption", metrics.lfCaptionFont);
    EmitFont("menu", metrics.lfMenuFont);
    LOGFONTA marlett{};
    marlett.lfHeight = -12;
    marlett.lfCharSet = SYMBOL_CHARSET;
    std::strcpy(marlett.lfFaceName, "Marlett");
    EmitFont("marlett", marlett);
    return kDone;
}

}  // namespace olxdriver
