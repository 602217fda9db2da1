#pragma once
// A top-level window owned by the hidden application window, with a creation handler
// (FormCreate) that runs once its components exist, a minimum outer size kept on every
// resize, and showing centred on the screen or modally.
#include <windows.h>

#include "Scoped.h"
#include "WindowBase.h"

struct FormFont {
    const char* face = nullptr;
    int height = 0;  // character height in pixels
    BYTE charset = DEFAULT_CHARSET;
};

struct FormDesign {
    const char* className = nullptr;
    const char* caption = "";
    DWORD style = 0;
    DWORD exStyle = 0;
    win::Size outerSize;
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

protected:
    // Creates the window (hidden), then CreateControls, then FormCreate; an error escaping
    // FormCreate is shown in the error box and creation goes on.
    void CreateForm(const FormDesign& design);

    virtual void CreateControls() {}
    virtual void FormCreate() {}
    // The client area changed size; lay the components out again.
    virtual void Resized(win::Size /*client*/) {}

    LRESULT HandleMessage(UINT message, WPARAM w, LPARAM l) override;

private:
    win::ScopedFont font_;
    win::Size minOuter_;
    int modalResult_ = 0;
    bool modal_ = false;
};
