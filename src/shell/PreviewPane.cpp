#include "PreviewPane.h"

#include <new>
#include <utility>

#include "ReleaseName.h"
#include "Module.h"
#include "RgbaBitmap.h"
#include "layout/PaneLayout.h"

namespace shell {

namespace {

constexpr char kPaneClass[] = "OrtholuxPreviewPane";
constexpr int kLinePadding = 4;

bool RegisterPaneClass(WNDPROC proc) {
    WNDCLASSA cls{};
    cls.lpfnWndProc = proc;
    cls.hInstance = DllInstance();
    cls.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    cls.lpszClassName = kPaneClass;
    // Another thread's handler may have registered it first: that class is as good.
    return RegisterClassA(&cls) || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

HFONT StatusFont() {
    NONCLIENTMETRICSA metrics{};
    metrics.cbSize = sizeof metrics;
    if (!SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
        return nullptr;
    }
    return CreateFontIndirectA(&metrics.lfStatusFont);
}

// AlphaBlend takes premultiplied colour; the picture's alpha is straight.
void Premultiply(RgbaImage& image) {
    for (std::size_t i = 0; i + 3 < image.pixels.size(); i += 4) {
        const unsigned alpha = image.pixels[i + 3];
        for (int c = 0; c < 3; ++c) {
            image.pixels[i + c] = static_cast<uint8_t>((image.pixels[i + c] * alpha + 127) / 255);
        }
    }
}

}  // namespace

PreviewPane::PreviewPane(StreamPicture&& picture)
    : width_(picture.pixels.width),
      height_(picture.pixels.height),
      alpha_(picture.kind == ImageKind::Png),
      label_(display::ReleaseName(picture.releaseCode)),
      colours_{GetSysColor(COLOR_WINDOW), GetSysColor(COLOR_WINDOWTEXT)},
      font_(StatusFont()) {
    // In place: the pixels go as soon as the bitmap holds them, never a second copy.
    RgbaImage pixels = std::move(picture.pixels);
    if (alpha_) Premultiply(pixels);
    bitmap_ = win::BgraSectionFromRgba(pixels);
}

PreviewPane::~PreviewPane() {
    if (window_) DestroyWindow(window_);
}

bool PreviewPane::Show(HWND parent, const RECT& rect) {
    if (!RegisterPaneClass(Proc)) return false;
    // A creation a hook vetoes sets no error: the caller must not read an older one.
    SetLastError(ERROR_SUCCESS);
    window_ = CreateWindowExA(
        0, kPaneClass, label_.c_str(), WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, rect.left, rect.top,
        rect.right - rect.left, rect.bottom - rect.top, parent, nullptr, DllInstance(), this);
    return window_ != nullptr;
}

void PreviewPane::Move(HWND parent, const RECT& rect) {
    if (!window_) return;
    if (GetParent(window_) != parent) SetParent(window_, parent);
    SetWindowPos(window_, nullptr, rect.left, rect.top, rect.right - rect.left,
                 rect.bottom - rect.top, SWP_NOZORDER | SWP_NOACTIVATE);
    InvalidateRect(window_, nullptr, FALSE);
}

void PreviewPane::SetColours(PaneColours colours) {
    colours_ = colours;
    if (window_) InvalidateRect(window_, nullptr, FALSE);
}

void PreviewPane::SetFont(const LOGFONTA* font) {
    HFONT made = font ? CreateFontIndirectA(font) : StatusFont();
    if (made) font_.Reset(made);
    if (window_) InvalidateRect(window_, nullptr, FALSE);
}

LRESULT CALLBACK PreviewPane::Proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lparam);
        SetWindowLongPtrA(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* pane = reinterpret_cast<PreviewPane*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    switch (message) {
        case WM_ERASEBKGND:
            return 1;  // Paint covers every pixel
        case WM_PAINT:
            if (pane) {
                win::ScopedPaint paint(window);
                RECT client{};
                GetClientRect(window, &client);
                pane->Paint(paint.Get(), client.right, client.bottom);
                return 0;
            }
            break;
        case WM_NCDESTROY:
            if (pane) pane->window_ = nullptr;
            SetWindowLongPtrA(window, GWLP_USERDATA, 0);
            break;
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

// Drawn off screen first, so a resize never shows a half-drawn pane.
void PreviewPane::Paint(HDC target, int width, int height) {
    if (width <= 0 || height <= 0) return;
    win::ScopedMemoryDc dc(CreateCompatibleDC(target));
    win::ScopedBitmap canvas(CreateCompatibleBitmap(target, width, height));
    if (!dc || !canvas) return;
    win::ScopedSelect selectCanvas(dc.Get(), canvas.Get());
    win::ScopedSelect selectFont(
        dc.Get(), font_ ? static_cast<HGDIOBJ>(font_.Get()) : GetStockObject(DEFAULT_GUI_FONT));
    HBRUSH brush = CreateSolidBrush(colours_.background);
    const RECT all{0, 0, width, height};
    FillRect(dc.Get(), &all, brush);
    DeleteObject(brush);

    TEXTMETRICA metrics{};
    GetTextMetricsA(dc.Get(), &metrics);
    const int lineHeight = metrics.tmHeight + kLinePadding;
    const layout::Box box = layout::FitPicture(width_, height_, width, height, lineHeight);
    win::ScopedMemoryDc source(CreateCompatibleDC(target));
    if (source && box.width > 0) {
        win::ScopedSelect selectPicture(source.Get(), bitmap_.Get());
        if (alpha_) {
            const BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
            AlphaBlend(dc.Get(), box.left, box.top, box.width, box.height, source.Get(), 0, 0,
                       width_, height_, blend);
        } else {
            SetStretchBltMode(dc.Get(), HALFTONE);
            SetBrushOrgEx(dc.Get(), 0, 0, nullptr);
            StretchBlt(dc.Get(), box.left, box.top, box.width, box.height, source.Get(), 0, 0,
                       width_, height_, SRCCOPY);
        }
    }
    const layout::Box line = layout::TextLine(width, height, lineHeight);
    RECT lineRect{line.left, line.top, line.left + line.width, line.top + line.height};
    SetBkMode(dc.Get(), TRANSPARENT);
    SetTextColor(dc.Get(), colours_.text);
    DrawTextA(dc.Get(), label_.c_str(), static_cast<int>(label_.size()), &lineRect,
              DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
    BitBlt(target, 0, 0, width, height, dc.Get(), 0, 0, SRCCOPY);
}

void ReleasePaneClass() { UnregisterClassA(kPaneClass, DllInstance()); }

}  // namespace shell
