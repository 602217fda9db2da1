#pragma once
// A push button. Its clicks reach the parent as WM_COMMAND with BN_CLICKED and the button's id;
// a default button is the one Enter presses when the parent runs the dialog keyboard
// interface (IsDialogMessage) and the focus is on no other button.
#include <windows.h>

#include <string>

#include "Hwnd.h"

class TButton {
  public:
    TButton() = default;
    ~TButton();
    TButton(const TButton&) = delete;
    TButton& operator=(const TButton&) = delete;

    void Create(HWND parent, int id, int x, int y, int width, int height,
                const std::string& caption, HFONT font, bool isDefault);

    HWND Handle() const { return window_.Handle(); }
    win::Hwnd Window() const { return window_; }
    int Id() const { return id_; }
    void Focus() const { SetFocus(window_.Handle()); }

  private:
    win::Hwnd window_;
    int id_ = 0;
};
