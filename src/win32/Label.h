#pragma once
// A single-line, left-aligned text on the button-face colour that is always as large as its
// text in its font (the form's font unless it has one of its own). It can take its own text
// colour and mouse pointer, and report a click.
#include <windows.h>

#include <functional>
#include <string>

#include "Scoped.h"
#include "WindowBase.h"

struct LabelFont {
    const char* face = nullptr;
    int height = 0;  // character height in pixels
    bool bold = false;
    bool underline = false;
    BYTE charset = SHIFTJIS_CHARSET;
};

class TLabel : public win::WindowBase {
  public:
    // Creates the label at x, y with `caption` in `parentFont` (not owned; it must outlive the
    // label, as the form's font does).
    void Create(HWND parent, int id, int x, int y, const std::string& caption, HFONT parentFont);

    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& caption);

    // A font of the label's own, in place of the form's.
    void SetFont(const LabelFont& font);
    // The form's font, when the form has made it anew (for another dpi setting).
    void SetParentFont(HFONT parentFont);
    void SetTextColor(COLORREF color);
    void SetCursor(HCURSOR cursor) { cursor_ = cursor; }
    // Runs when the left button goes down and up again over the label.
    void SetOnClick(std::function<void()> onClick) { onClick_ = std::move(onClick); }

  protected:
    LRESULT HandleMessage(UINT message, WPARAM w, LPARAM l) override;

  private:
    HFONT CurrentFont() const { return ownFont_ ? ownFont_.Get() : parentFont_; }
    void AutoSize();
    void Paint();
    void MouseUp(LPARAM l);

    std::string caption_;
    HFONT parentFont_ = nullptr;
    win::ScopedFont ownFont_;
    COLORREF color_ = CLR_INVALID;  // the system's window-text colour
    HCURSOR cursor_ = nullptr;
    std::function<void()> onClick_;
    bool pressed_ = false;
};
