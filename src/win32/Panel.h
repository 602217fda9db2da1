#pragma once
// A plain child window with a lowered inner and outer bevel, one pixel each, on the
// button-face colour; it holds other components.
#include <windows.h>

#include "WindowBase.h"

class TPanel : public win::WindowBase {
  public:
    static constexpr int kBevelWidth = 2;  // outer + inner bevel

    void Create(HWND parent, int id);
    // The area inside the bevels, in the panel's own client coordinates.
    RECT InnerRect() const;

  protected:
    LRESULT HandleMessage(UINT message, WPARAM w, LPARAM l) override;

  private:
    void Paint();
};
