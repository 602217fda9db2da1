#include "Panel.h"

#include "Scoped.h"

namespace {
constexpr char kClassName[] = "TPanel";
}

void TPanel::Create(HWND parent, int id) {
    RegisterOnce({.name = kClassName,
                  .style = CS_HREDRAW | CS_VREDRAW,
                  .background = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1)});
    CreateHandle({.className = kClassName,
                  .style = WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS,
                  .parent = parent,
                  .menuOrId = reinterpret_cast<HMENU>(static_cast<INT_PTR>(id))});
}

RECT TPanel::InnerRect() const {
    RECT inner{};
    GetClientRect(Handle(), &inner);
    InflateRect(&inner, -kBevelWidth, -kBevelWidth);
    if (inner.right < inner.left) inner.right = inner.left;
    if (inner.bottom < inner.top) inner.bottom = inner.top;
    return inner;
}

void TPanel::Paint() {
    win::ScopedPaint paint(Handle());
    RECT bounds{};
    GetClientRect(Handle(), &bounds);
    DrawEdge(paint.Get(), &bounds, BDR_SUNKENOUTER | BDR_SUNKENINNER, BF_RECT);
}

LRESULT TPanel::HandleMessage(UINT message, WPARAM w, LPARAM l) {
    if (message == WM_PAINT) {
        Paint();
        return 0;
    }
    return DefaultHandling(message, w, l);
}
