#include "Image.h"

namespace {

constexpr char kClassName[] = "TImage";

// Colour-on-colour keeps the copy fast, but a shrink drops whole rows and columns, and with
// them the one-pixel lines of a large thumbnail: halftoning averages them in instead. A
// palette display with fewer colours than the picture needs halftoning to stay readable.
int StretchModeFor(HDC target, const Picture& picture, win::Size area) {
    if (area.width < picture.width || area.height < picture.height) return HALFTONE;
    const int displayBits = GetDeviceCaps(target, BITSPIXEL) * GetDeviceCaps(target, PLANES);
    return displayBits <= 8 && displayBits < picture.bitsPerPixel ? HALFTONE : COLORONCOLOR;
}

}  // namespace

void TImage::Create(HWND parent, int id) {
    RegisterOnce({.name = kClassName,
                  .style = CS_HREDRAW | CS_VREDRAW,
                  .background = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1)});
    CreateHandle({.className = kClassName,
                  .style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS,
                  .parent = parent,
                  .menuOrId = reinterpret_cast<HMENU>(static_cast<INT_PTR>(id))});
}

void TImage::SetPicture(Picture picture) {
    picture_ = std::move(picture);
    Window().Invalidate();
}

void TImage::Paint() {
    win::ScopedPaint paint(Handle());
    if (picture_.Empty()) return;  // the class background already shows

    const win::Size area = Window().ClientSize();
    win::ScopedMemoryDc source(CreateCompatibleDC(paint.Get()));
    if (!source) return;
    win::ScopedSelect selected(source.Get(), picture_.bitmap.Get());

    const int mode = StretchModeFor(paint.Get(), picture_, area);
    SetStretchBltMode(paint.Get(), mode);
    if (mode == HALFTONE) SetBrushOrgEx(paint.Get(), 0, 0, nullptr);
    StretchBlt(paint.Get(), 0, 0, area.width, area.height, source.Get(), 0, 0, picture_.width,
               picture_.height, SRCCOPY);
}

LRESULT TImage::HandleMessage(UINT message, WPARAM w, LPARAM l) {
    switch (message) {
        case WM_ERASEBKGND:
            // A picture covers the whole area; erasing first would only flicker.
            if (!picture_.Empty()) return 1;
            break;
        case WM_PAINT:
            Paint();
            return 0;
    }
    return DefaultHandling(message, w, l);
}
