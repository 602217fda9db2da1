#include "Timer.h"

#include "Error.h"

void TTimer::Start(HWND window, UINT_PTR id, UINT intervalMs) {
    Stop();
    if (!SetTimer(window, id, intervalMs, nullptr)) throw AppError(ErrorKind::NoTimer);
    window_ = window;
    id_ = id;
}

void TTimer::Stop() {
    if (!window_) return;
    KillTimer(window_, id_);
    window_ = nullptr;
}
