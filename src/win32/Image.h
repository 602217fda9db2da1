#pragma once
// A child window that draws its picture stretched over its whole area, aspect ratio not
// kept; without a picture it shows the button-face background.
#include <windows.h>

#include "Picture.h"
#include "WindowBase.h"

class TImage : public win::WindowBase {
  public:
    void Create(HWND parent, int id);

    // Replaces the picture (the previous bitmap is freed) and redraws.
    void SetPicture(Picture picture);
    void Clear() { SetPicture(Picture{}); }
    const Picture& CurrentPicture() const { return picture_; }

  protected:
    LRESULT HandleMessage(UINT message, WPARAM w, LPARAM l) override;

  private:
    void Paint();
    Picture picture_;
};
