#include "WindowBase.h"

#include "Application.h"
#include "SystemError.h"

namespace win {

WindowBase::~WindowBase() {
    // Only for a window its derived class left standing: the thunk sees this base alone now.
    DestroyHandle();
}

void WindowBase::DestroyHandle() {
    if (handle_) DestroyWindow(handle_);
}

void WindowBase::RegisterOnce(const WindowClass& windowClass) {
    WNDCLASSEXA existing{};
    existing.cbSize = sizeof existing;
    if (GetClassInfoExA(ModuleInstance(), windowClass.name, &existing)) return;

    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.style = windowClass.style;
    wc.lpfnWndProc = &WindowBase::Thunk;
    wc.hInstance = ModuleInstance();
    wc.hIcon = windowClass.icon;
    wc.hCursor = windowClass.cursor ? windowClass.cursor : LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = windowClass.background;
    wc.lpszClassName = windowClass.name;
    if (!RegisterClassExA(&wc)) ThrowLastError();
}

void WindowBase::CreateHandle(const CreateParams& p) {
    const HWND created = CreateWindowExA(p.exStyle, p.className, p.text, p.style, p.x, p.y, p.width,
                                         p.height, p.parent, p.menuOrId, ModuleInstance(), this);
    if (!created) ThrowLastError();
}

LRESULT WindowBase::HandleMessage(UINT message, WPARAM w, LPARAM l) {
    return DefaultHandling(message, w, l);
}

LRESULT CALLBACK WindowBase::Thunk(HWND window, UINT message, WPARAM w, LPARAM l) {
    auto* self = reinterpret_cast<WindowBase*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (message == WM_NCCREATE) {
        self = static_cast<WindowBase*>(reinterpret_cast<CREATESTRUCTA*>(l)->lpCreateParams);
        self->handle_ = window;
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    if (!self) return DefWindowProcA(window, message, w, l);

    if (message == WM_NCDESTROY) {
        SetWindowLongPtrA(window, GWLP_USERDATA, 0);
        self->handle_ = nullptr;
        return DefWindowProcA(window, message, w, l);
    }
    try {
        return self->HandleMessage(message, w, l);
    } catch (...) {
        ShowHandlerException(std::current_exception());
        return 0;
    }
}

}  // namespace win
