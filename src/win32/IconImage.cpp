#include "IconImage.h"

#include "Scoped.h"

namespace {
constexpr char kClassName[] = "TIconImage";
}

void TIconImage::Create(HWND parent, int id, int x, int y, int width, int height) {
    RegisterOnce({.name = kClassName,
                  .style = CS_HREDRAW | CS_VREDRAW,
                  .background = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1)});
    CreateHandle({.className = kClassName,
                  .style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS,
                  .x = x,
                  .y = y,
                  .width = width,
                  .height = height,
                  .parent = parent,
                  .menuOrId = reinterpret_cast<HMENU>(static_cast<INT_PTR>(id))});
}

void TIconImage::SetIcon(HICON icon) {
    icon_ = icon;
    Window().Invalidate();
}

LRESULT TIconImage::HandleMessage(UINT message, WPARAM w, LPARAM l) {
    if (message == WM_PAINT) {
        win::ScopedPaint paint(Handle());
        // The icon's own size (the system's large-icon size for a shared icon), masked.
        if (icon_) DrawIconEx(paint.Get(), 0, 0, icon_, 0, 0, 0, nullptr, DI_NORMAL);
        return 0;
    }
    return DefaultHandling(message, w, l);
}
