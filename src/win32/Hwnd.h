#pragma once
// A non-owning window handle with one-line helpers; BOOL results come back as bool.
#include <windows.h>

#include <string>

namespace win {

struct Size {
    int width = 0;
    int height = 0;
};

class Hwnd {
  public:
    Hwnd() = default;
    explicit Hwnd(HWND handle) : handle_(handle) {}

    HWND Handle() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }

    // ---- messages ----
    LRESULT Send(UINT message, WPARAM w = 0, LPARAM l = 0) const {
        return SendMessageA(handle_, message, w, l);
    }
    bool Post(UINT message, WPARAM w = 0, LPARAM l = 0) const {
        return PostMessageA(handle_, message, w, l) != FALSE;
    }

    // ---- text ----
    void SetText(const std::string& text) const { SetWindowTextA(handle_, text.c_str()); }
    std::string Text() const {
        std::string text(static_cast<size_t>(GetWindowTextLengthA(handle_)) + 1, '\0');
        text.resize(static_cast<size_t>(GetWindowTextA(handle_, text.data(), int(text.size()))));
        return text;
    }

    // ---- state ----
    bool IsVisible() const { return IsWindowVisible(handle_) != FALSE; }
    bool IsEnabled() const { return IsWindowEnabled(handle_) != FALSE; }
    bool Enable(bool enable) const { return EnableWindow(handle_, enable) != FALSE; }
    void Show(int command) const { ShowWindow(handle_, command); }
    void Invalidate() const { InvalidateRect(handle_, nullptr, TRUE); }
    HWND Owner() const { return GetWindow(handle_, GW_OWNER); }

    // ---- geometry ----
    RECT WindowRect() const {
        RECT r{};
        GetWindowRect(handle_, &r);
        return r;
    }
    Size OuterSize() const {
        const RECT r = WindowRect();
        return {r.right - r.left, r.bottom - r.top};
    }
    Size ClientSize() const {
        RECT r{};
        GetClientRect(handle_, &r);
        return {r.right - r.left, r.bottom - r.top};
    }
    void Move(int x, int y, int width, int height) const {
        MoveWindow(handle_, x, y, width, height, TRUE);
    }
    void Resize(int width, int height) const {
        SetWindowPos(handle_, nullptr, 0, 0, width, height,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    void MoveTo(int x, int y) const {
        SetWindowPos(handle_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }

  private:
    HWND handle_ = nullptr;
};

}  // namespace win
