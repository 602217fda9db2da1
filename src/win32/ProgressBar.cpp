#include "ProgressBar.h"

#include <commctrl.h>

#include "SystemError.h"

TProgressBar::~TProgressBar() {
    if (window_ && IsWindow(window_.Handle())) DestroyWindow(window_.Handle());
}

void TProgressBar::Create(HWND parent, int id, int x, int y, int width, int height, bool smooth) {
    const HWND bar = CreateWindowExA(
        0, PROGRESS_CLASSA, "", WS_CHILD | WS_VISIBLE | (smooth ? PBS_SMOOTH : 0), x, y, width,
        height, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
        GetModuleHandleA(nullptr), nullptr);
    if (!bar) win::ThrowLastError();
    window_ = win::Hwnd(bar);
}

void TProgressBar::SetRange(int32_t minimum, int32_t maximum) const {
    window_.Send(PBM_SETRANGE32, static_cast<WPARAM>(minimum), static_cast<LPARAM>(maximum));
}

void TProgressBar::SetPosition(int32_t position) const {
    window_.Send(PBM_SETPOS, static_cast<WPARAM>(position));
}
