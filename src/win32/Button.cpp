#include "Button.h"

#include "SystemError.h"

TButton::~TButton() {
    if (window_ && IsWindow(window_.Handle())) DestroyWindow(window_.Handle());
}

void TButton::Create(HWND parent, int id, int x, int y, int width, int height,
                     const std::string& caption, HFONT font, bool isDefault) {
    const DWORD style =
        WS_CHILD | WS_VISIBLE | WS_TABSTOP | (isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
    const HWND button = CreateWindowExA(0, "BUTTON", caption.c_str(), style, x, y, width, height,
                                        parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                        GetModuleHandleA(nullptr), nullptr);
    if (!button) win::ThrowLastError();
    window_ = win::Hwnd(button);
    id_ = id;
    if (font) window_.Send(WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
}
