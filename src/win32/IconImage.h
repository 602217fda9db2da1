#pragma once
// A child window that shows an icon at its own size in its top-left corner, over the
// button-face colour (a picture box holding an icon, not stretched).
#include <windows.h>

#include "WindowBase.h"

class TIconImage : public win::WindowBase {
  public:
    void Create(HWND parent, int id, int x, int y, int width, int height);

    // The icon is not owned: a shared icon from LoadIcon, or one that outlives the control.
    void SetIcon(HICON icon);
    HICON Icon() const { return icon_; }

  protected:
    LRESULT HandleMessage(UINT message, WPARAM w, LPARAM l) override;

  private:
    HICON icon_ = nullptr;
};
