#include "Label.h"

#include <windowsx.h>

#include "SystemError.h"

namespace {

constexpr char kClassName[] = "TLabel";
constexpr UINT kTextFormat = DT_LEFT | DT_SINGLELINE | DT_NOPREFIX;

}  // namespace

void TLabel::Create(HWND parent, int id, int x, int y, const std::string& caption,
                    HFONT parentFont) {
    RegisterOnce({.name = kClassName,
                  .style = CS_HREDRAW | CS_VREDRAW,
                  .background = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1)});
    caption_ = caption;
    parentFont_ = parentFont;
    CreateHandle({.className = kClassName,
                  .text = caption.c_str(),
                  .style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS,
                  .x = x,
                  .y = y,
                  .parent = parent,
                  .menuOrId = reinterpret_cast<HMENU>(static_cast<INT_PTR>(id))});
    AutoSize();
}

void TLabel::SetCaption(const std::string& caption) {
    if (caption == caption_) return;  // a timer refreshes some labels every second
    caption_ = caption;
    Window().SetText(caption_);  // also for readers from outside, such as accessibility tools
    AutoSize();
    Window().Invalidate();
}

void TLabel::SetFont(const LabelFont& font) {
    HFONT created =
        CreateFontA(-font.height, 0, 0, 0, font.bold ? FW_BOLD : FW_NORMAL, FALSE, font.underline,
                    FALSE, font.charset, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                    DEFAULT_PITCH | FF_DONTCARE, font.face);
    if (!created) win::ThrowLastError();
    ownFont_.Reset(created);
    AutoSize();
    Window().Invalidate();
}

void TLabel::SetParentFont(HFONT parentFont) {
    parentFont_ = parentFont;
    AutoSize();
    Window().Invalidate();
}

void TLabel::SetTextColor(COLORREF color) {
    color_ = color;
    Window().Invalidate();
}

void TLabel::AutoSize() {
    win::ScopedWindowDc dc(Handle());
    if (!dc.Get()) return;
    win::ScopedSelect font(dc.Get(), CurrentFont());
    // An empty caption keeps the height of a line, so the label does not vanish.
    const std::string measured = caption_.empty() ? " " : caption_;
    RECT bounds{};
    DrawTextA(dc.Get(), measured.c_str(), static_cast<int>(measured.size()), &bounds,
              kTextFormat | DT_CALCRECT);
    Window().Resize(bounds.right - bounds.left, bounds.bottom - bounds.top);
}

void TLabel::Paint() {
    win::ScopedPaint paint(Handle());
    win::ScopedSelect font(paint.Get(), CurrentFont());
    ::SetTextColor(paint.Get(), color_ == CLR_INVALID ? GetSysColor(COLOR_WINDOWTEXT) : color_);
    SetBkMode(paint.Get(), TRANSPARENT);
    RECT bounds{};
    GetClientRect(Handle(), &bounds);
    DrawTextA(paint.Get(), caption_.c_str(), static_cast<int>(caption_.size()), &bounds,
              kTextFormat);
}

void TLabel::MouseUp(LPARAM l) {
    const bool wasPressed = pressed_;
    if (GetCapture() == Handle()) ReleaseCapture();  // clears pressed_ through WM_CAPTURECHANGED
    RECT bounds{};
    GetClientRect(Handle(), &bounds);
    const POINT at{GET_X_LPARAM(l), GET_Y_LPARAM(l)};
    if (wasPressed && PtInRect(&bounds, at) && onClick_) onClick_();
}

LRESULT TLabel::HandleMessage(UINT message, WPARAM w, LPARAM l) {
    switch (message) {
        case WM_PAINT:
            Paint();
            return 0;
        case WM_SETCURSOR:
            if (cursor_ && LOWORD(l) == HTCLIENT) {
                ::SetCursor(cursor_);
                return TRUE;
            }
            break;
        case WM_LBUTTONDOWN:
            if (onClick_) {
                pressed_ = true;
                SetCapture(Handle());
            }
            return 0;
        case WM_LBUTTONUP:
            MouseUp(l);
            return 0;
        case WM_CAPTURECHANGED:
            pressed_ = false;
            return 0;
    }
    return DefaultHandling(message, w, l);
}
