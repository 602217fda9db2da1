#pragma once
// The common-controls status bar with a size grip and panels; the last panel always runs on
// to the right edge. The bar is placed by its parent (it does not align itself).
#include <windows.h>

#include <string>
#include <vector>

#include "Hwnd.h"
#include "Scoped.h"

class TStatusBar {
  public:
    TStatusBar() = default;
    TStatusBar(const TStatusBar&) = delete;
    TStatusBar& operator=(const TStatusBar&) = delete;

    // Creates the bar with `widths.size()` panels, all empty, in the system's status font.
    void Create(HWND parent, int id, std::vector<int> widths);

    HWND Handle() const { return window_.Handle(); }
    win::Hwnd Window() const { return window_; }
    int Width() const { return window_.ClientSize().width; }

    int PanelWidth(size_t index) const { return index < widths_.size() ? widths_[index] : 0; }
    void SetPanelWidth(size_t index, int width);
    void SetPanelText(size_t index, const std::string& text) const;
    // The system's status font made for `dpi`: the control itself only ever takes it at the
    // system's setting, so a window on a screen of another setting needs its own.
    void SetDpi(int dpi);

  private:
    void ApplyParts() const;

    win::ScopedFont font_;

    win::Hwnd window_;
    std::vector<int> widths_;
};
