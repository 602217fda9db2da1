#include "Form.h"

#include <algorithm>
#include <utility>

#include "Application.h"
#include "TaskWindows.h"

namespace {

int ClampExtent(int value, int minimum) {
    return std::clamp(value, std::max(minimum, 0), TForm::kMaxOuterExtent);
}

}  // namespace

void TForm::CreateForm(const FormDesign& design) {
    minOuter_ = design.minOuterSize;
    fontDesign_ = design.font;
    RegisterOnce({.name = design.className,
                  .style = CS_DBLCLKS,
                  .background = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1),
                  .icon = design.icon});
    dpi_ = win::ScreenDpi();
    CreateHandle({.exStyle = design.exStyle,
                  .className = design.className,
                  .text = design.caption,
                  .style = design.style,
                  .x = 0,
                  .y = 0,
                  .width = Scale(design.outerSize.width),
                  .height = Scale(design.outerSize.height),
                  .parent = Application ? Application->Handle() : nullptr,
                  .menuOrId = design.menu});
    // The window may stand on a screen of its own setting; it is still hidden, so it simply
    // takes that setting's size.
    if (const int dpi = win::WindowDpi(Handle()); dpi != dpi_) {
        dpi_ = dpi;
        Window().Resize(Scale(design.outerSize.width), Scale(design.outerSize.height));
    }
    font_ = MakeFont();
    CreateControls();
    Resized(Window().ClientSize());
    try {
        FormCreate();
    } catch (...) {
        ShowHandlerException(std::current_exception());  // creation goes on
    }
}

win::ScopedFont TForm::MakeFont() const {
    if (!fontDesign_.face) return win::ScopedFont();
    return win::ScopedFont(CreateFontA(-Scale(fontDesign_.height), 0, 0, 0, FW_NORMAL, FALSE, FALSE,
                                       FALSE, fontDesign_.charset, OUT_DEFAULT_PRECIS,
                                       CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                       DEFAULT_PITCH | FF_DONTCARE, fontDesign_.face));
}

void TForm::ChangeDpi(int dpi, const RECT& suggested) {
    if (dpi <= 0) return;
    const int oldDpi = std::exchange(dpi_, dpi);
    // The old font stays alive until every component has let go of it.
    const win::ScopedFont oldFont = std::exchange(font_, MakeFont());
    SetWindowPos(Handle(), nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    Resized(Window().ClientSize());  // also when the rectangle kept its size
    DpiChanged(oldDpi);
    Window().Invalidate();
}

void TForm::SetOuterWidth(int width) {
    Window().Resize(ClampExtent(width, Scale(minOuter_.width)), Window().OuterSize().height);
}

void TForm::SetOuterHeight(int height) {
    Window().Resize(Window().OuterSize().width, ClampExtent(height, Scale(minOuter_.height)));
}

win::Size TForm::WorkAreaSize() const {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    const HMONITOR monitor = MonitorFromWindow(Handle(), MONITOR_DEFAULTTONEAREST);
    if (!monitor || !GetMonitorInfoA(monitor, &info)) {
        return {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    }
    return {info.rcWork.right - info.rcWork.left, info.rcWork.bottom - info.rcWork.top};
}

void TForm::ShowCentered() {
    const win::Size outer = Window().OuterSize();
    const int left = std::max((GetSystemMetrics(SM_CXSCREEN) - outer.width) / 2, 0);
    const int top = std::max((GetSystemMetrics(SM_CYSCREEN) - outer.height) / 2, 0);
    Window().MoveTo(left, top);
    Window().Show(SW_SHOWNORMAL);
    UpdateWindow(Handle());
}

bool TForm::PreviewKey(const MSG& message) {
    if (message.message != WM_KEYDOWN || !Handle()) return false;
    if (message.hwnd != Handle() && !IsChild(Handle(), message.hwnd)) return false;
    return KeyDown(message.wParam);
}

int TForm::ShowModal() {
    modalResult_ = 0;
    modal_ = true;
    {
        win::DisabledTaskWindows disabled(Handle());
        Window().Show(SW_SHOW);
        SetActiveWindow(Handle());
        MSG message;
        while (modalResult_ == 0 && IsWindow(Handle())) {
            if (GetMessageA(&message, nullptr, 0, 0) <= 0) {
                PostQuitMessage(static_cast<int>(message.wParam));  // the outer loop ends too
                if (modalResult_ == 0) modalResult_ = IDCANCEL;
                break;
            }
            if (IsDialogMessageA(Handle(), &message)) continue;
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        if (Handle()) Window().Show(SW_HIDE);
    }
    modal_ = false;
    return modalResult_;
}

LRESULT TForm::HandleMessage(UINT message, WPARAM w, LPARAM l) {
    switch (message) {
        case WM_GETMINMAXINFO: {
            auto* info = reinterpret_cast<MINMAXINFO*>(l);
            info->ptMinTrackSize.x = std::max<LONG>(info->ptMinTrackSize.x, Scale(minOuter_.width));
            info->ptMinTrackSize.y =
                std::max<LONG>(info->ptMinTrackSize.y, Scale(minOuter_.height));
            return 0;
        }
        case WM_DPICHANGED:
            // The new setting in both words of w; l points at the rectangle the system suggests.
            ChangeDpi(HIWORD(w), *reinterpret_cast<const RECT*>(l));
            return 0;
        case WM_SIZE:
            Resized({LOWORD(l), HIWORD(l)});
            return 0;
        case WM_CLOSE:
            if (modal_) {
                modalResult_ = IDCANCEL;
                return 0;
            }
            break;
        case WM_DESTROY:
            if (Application && Application->MainForm() == this) PostQuitMessage(0);
            return 0;
    }
    return DefaultHandling(message, w, l);
}
