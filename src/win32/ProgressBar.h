#pragma once
// The common-controls progress bar, smooth or in blocks. Range and position are the control's
// signed 32-bit values; callers scale larger quantities themselves.
#include <windows.h>

#include <commctrl.h>

#include <cstdint>

#include "Hwnd.h"

class TProgressBar {
  public:
    TProgressBar() = default;
    ~TProgressBar();
    TProgressBar(const TProgressBar&) = delete;
    TProgressBar& operator=(const TProgressBar&) = delete;

    void Create(HWND parent, int id, int x, int y, int width, int height, bool smooth);

    HWND Handle() const { return window_.Handle(); }
    win::Hwnd Window() const { return window_; }

    void SetRange(int32_t minimum, int32_t maximum) const;
    void SetPosition(int32_t position) const;
    int32_t Position() const { return static_cast<int32_t>(window_.Send(PBM_GETPOS)); }

  private:
    win::Hwnd window_;
};
