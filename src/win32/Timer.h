#pragma once
// A window timer: WM_TIMER with the timer's id reaches the window at every interval for as
// long as the timer runs. Stopped when it goes out of scope.
#include <windows.h>

class TTimer {
  public:
    TTimer() = default;
    ~TTimer() { Stop(); }
    TTimer(const TTimer&) = delete;
    TTimer& operator=(const TTimer&) = delete;

    // Starts (or restarts) the timer; throws AppError(ErrorKind::NoTimer) when the platform has
    // none to give.
    void Start(HWND window, UINT_PTR id, UINT intervalMs);
    void Stop();

    bool Enabled() const { return window_ != nullptr; }
    UINT_PTR Id() const { return id_; }

  private:
    HWND window_ = nullptr;
    UINT_PTR id_ = 0;
};
