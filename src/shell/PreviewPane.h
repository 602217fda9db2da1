#pragma once
// The preview handler's window: a child of the host's window showing the picture fitted and
// centred, and under it one line naming the release ("R2000 (AC1015)"), which is also the
// window's text, so screen readers and tests can read it.
#include <windows.h>

#include <string>

#include "Scoped.h"
#include "StreamPicture.h"

namespace shell {

struct PaneColours {
    COLORREF background;
    COLORREF text;
};

class PreviewPane {
  public:
    // Made from a decoded picture, whose pixels it takes and lets go once they are in its
    // bitmap; the window comes with Show. Throws std::bad_alloc when the system cannot hold
    // the picture.
    explicit PreviewPane(StreamPicture&& picture);
    ~PreviewPane();
    PreviewPane(const PreviewPane&) = delete;
    PreviewPane& operator=(const PreviewPane&) = delete;

    // Creates the window in `parent` at `rect`; false when the system refuses (the last error
    // is then the reason, or 0 when none was given).
    bool Show(HWND parent, const RECT& rect);
    void Move(HWND parent, const RECT& rect);
    void SetColours(PaneColours colours);
    void SetFont(const LOGFONTA* font);  // nullptr: the system's status-bar font
    HWND Window() const { return window_; }

  private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
    void Paint(HDC dc, int width, int height);

    win::ScopedBitmap bitmap_;  // 32-bit BGRA; premultiplied when the picture has alpha
    int width_;
    int height_;
    bool alpha_;
    std::string label_;
    PaneColours colours_;
    win::ScopedFont font_;
    HWND window_ = nullptr;
};

// The window class goes with the DLL; called when nothing of ours is alive any more.
void ReleasePaneClass();

}  // namespace shell
