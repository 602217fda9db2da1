#pragma once
// Base of every window the program creates itself. One window-procedure thunk stores the
// object pointer at WM_NCCREATE and hands each message to the virtual HandleMessage. No
// exception ever unwinds through Windows: the thunk catches it and the application shows it.
#include <windows.h>

#include "Hwnd.h"
#include "Module.h"

namespace win {

struct WindowClass {
    const char* name = nullptr;
    UINT style = 0;
    HBRUSH background = nullptr;
    HICON icon = nullptr;
    HCURSOR cursor = nullptr;
};

struct CreateParams {
    DWORD exStyle = 0;
    const char* className = nullptr;
    const char* text = "";
    DWORD style = 0;
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    HWND parent = nullptr;  // the owner of a top-level window
    HMENU menuOrId = nullptr;
};

class WindowBase {
  public:
    WindowBase() = default;
    virtual ~WindowBase();
    WindowBase(const WindowBase&) = delete;
    WindowBase& operator=(const WindowBase&) = delete;

    HWND Handle() const { return handle_; }
    Hwnd Window() const { return Hwnd(handle_); }

  protected:
    // Registers the class once per process, with the shared thunk as its procedure.
    static void RegisterOnce(const WindowClass& windowClass);
    // Creates the window for this object; throws the platform error when that fails.
    void CreateHandle(const CreateParams& params);
    // Destroys the window while the object is whole. The most derived class calls it from its
    // destructor: by the time ~WindowBase runs, WM_DESTROY would reach this base only, and the
    // derived handlers and members (a help request to end, for one) would be gone.
    void DestroyHandle();

    virtual LRESULT HandleMessage(UINT message, WPARAM w, LPARAM l);
    LRESULT DefaultHandling(UINT message, WPARAM w, LPARAM l) {
        return DefWindowProcA(handle_, message, w, l);
    }

  private:
    static LRESULT CALLBACK Thunk(HWND window, UINT message, WPARAM w, LPARAM l);
    HWND handle_ = nullptr;
};

}  // namespace win
