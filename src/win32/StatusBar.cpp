#include "StatusBar.h"

#include <commctrl.h>

#include "Dpi.h"
#include "SystemError.h"

void TStatusBar::Create(HWND parent, int id, std::vector<int> widths) {
    widths_ = std::move(widths);
    // CCS_NORESIZE | CCS_NOPARENTALIGN: the parent's layout decides where it goes and how
    // high it is, not the bar's font.
    const HWND bar =
        CreateWindowExA(0, STATUSCLASSNAMEA, "",
                        WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | SBARS_SIZEGRIP | CCS_NORESIZE |
                            CCS_NOPARENTALIGN | CCS_NODIVIDER,
                        0, 0, 0, 0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                        GetModuleHandleA(nullptr), nullptr);
    if (!bar) win::ThrowLastError();
    window_ = win::Hwnd(bar);
    window_.Send(SB_SIMPLE, FALSE);
    ApplyParts();
}

void TStatusBar::SetPanelWidth(size_t index, int width) {
    if (index >= widths_.size()) return;
    widths_[index] = width;
    ApplyParts();
}

void TStatusBar::SetPanelText(size_t index, const std::string& text) const {
    window_.Send(SB_SETTEXTA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.c_str()));
}

void TStatusBar::SetDpi(int dpi) {
    NONCLIENTMETRICSA metrics{};
    metrics.cbSize = sizeof metrics;
    if (!SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) return;
    // The metrics are given for the system's setting, the screen's LOGPIXELSY.
    LOGFONTA font = metrics.lfStatusFont;
    font.lfHeight = MulDiv(font.lfHeight, dpi, win::ScreenDpi());
    win::ScopedFont made(CreateFontIndirectA(&font));
    if (!made) return;
    // CCS_NORESIZE: the bar keeps the height its parent gave it. The old font goes only once
    // the bar has let go of it.
    window_.Send(WM_SETFONT, reinterpret_cast<WPARAM>(made.Get()), TRUE);
    font_ = std::move(made);
}

void TStatusBar::ApplyParts() const {
    // Right edges; the last panel's own width is ignored and it reaches the edge (-1).
    std::vector<int> edges(widths_.size());
    int right = 0;
    for (size_t i = 0; i < widths_.size(); ++i) {
        right += widths_[i];
        edges[i] = i + 1 == widths_.size() ? -1 : right;
    }
    window_.Send(SB_SETPARTS, edges.size(), reinterpret_cast<LPARAM>(edges.data()));
}
