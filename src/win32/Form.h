#pragma once
// A top-level window owned by the hidden application window, with a creation handler
// (FormCreate) that runs once its components exist, a minimum outer size kept on every
// resize, and showing centred on the screen or modally. Sizes and the font are designed for
// 96 dpi and scaled to the screen's setting, also when the window moves to another screen.
#include <windows.h>

#include "Dpi.h"
#include "Scoped.h"
#include "WindowBase.h"

struct FormFont {
    const char* face = nullptr;
    int height = 0;  // character height in pixels at 96 dpi
    BYTE charset = DEFAULT_CHARSET;
};

struct FormDesign {
    const char* className = nullptr;
    const char* caption = "";
    DWORD style = 0;
    DWORD exStyle = 0;
    win::Size outerSize;     // at 96 dpi, as all the design's lengths
    win::Size minOuterSize;  // 0 x 0: no minimum
    HMENU menu = nullptr;    // owned by the window from creation on
    HICON icon = nullptr;
    FormFont font;
};

class TForm : public win::WindowBase {
  public:
    // Outer sizes never exceed this, whatever a caller computes.
    static constexpr int kMaxOuterExtent = 32767;

    // Sets one outer dimension, raised to the minimum at once; the top-left corner stays.
    void SetOuterWidth(int width);
    void SetOuterHeight(int height);

    // The work area (the screen less the taskbar) of the monitor the window is on.
    win::Size WorkAreaSize() const;

    // Shows the window centred on the primary screen at its current size, never above or
    // left of the screen's origin.
    void ShowCentered();

    // Shows the form with the program's other windows disabled until ModalResult is set or
    // the form is closed (close gives IDCANCEL); the form is hidden again afterwards.
    int ShowModal();
    void SetModalResult(int result) { modalResult_ = result; }

    // Closes the form as its close box does.
    void Close() { Window().Send(WM_CLOSE); }

    HFONT Font() const { return font_.Get(); }

    // A key press meant for this form or any window in it, seen by the message loop before
    // the window with the focus gets it; true when KeyDown took it.
    bool PreviewKey(const MSG& message);

    // The dots per inch the form is laid out for, and a length designed at 96 at that
    // setting.
    int Dpi() const { return dpi_; }
    int Scale(int designed) const { return win::ScaleToDpi(designed, dpi_); }

  protected:
    // Creates the window (hidden), then CreateControls, then FormCreate; an error escaping
    // FormCreate is shown in the error box and creation goes on.
    void CreateForm(const FormDesign& design);

    virtual void CreateControls() {}
    virtual void FormCreate() {}
    // The client area changed size; lay the components out again.
    virtual void Resized(win::Size /*client*/) {}
    // The setting changed from `oldDpi` to Dpi(), the form's font is already remade and the
    // window already has its new rectangle: lay the components out again.
    virtual void DpiChanged(int /*oldDpi*/) {}
    // A WM_KEYDOWN for the form or any of its windows, wherever the focus sits; true when
    // taken, so that the focused window never sees it.
    virtual bool KeyDown(WPARAM /*key*/) { return false; }

    LRESULT HandleMessage(UINT message, WPARAM w, LPARAM l) override;

  private:
    win::ScopedFont MakeFont() const;
    void ChangeDpi(int dpi, const RECT& suggested);

    FormFont fontDesign_;
    win::ScopedFont font_;
    int dpi_ = win::kDesignDpi;
    win::Size minOuter_;
    int modalResult_ = 0;
    bool modal_ = false;
};
