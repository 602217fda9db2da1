// olxtitled.exe: another program's window that bears the viewer's title "Ortholux", for the
// tests of the viewer's start-up hand-over.
//   olxtitled.exe          one visible top-level window without an owner
//   olxtitled.exe --owned  the visible window is owned by a hidden window of this program
// Exit status 17 when the message loop ended on a posted quit message (what a starting viewer
// sends to the owner of a window titled "Ortholux"), 0 when the window was closed.
#include <windows.h>

namespace {

constexpr char kTitle[] = "Ortholux";
constexpr char kClassName[] = "OlxTitled";
constexpr char kOwnerClassName[] = "OlxTitledOwner";
constexpr int kQuitReceived = 17;

LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM w, LPARAM l) {
    if (message == WM_DESTROY) {
        PostQuitMessage(1);  // distinguishable from the posted quit, whose wParam is 0
        return 0;
    }
    return DefWindowProcA(hwnd, message, w, l);
}

void RegisterClass(const char* name, HINSTANCE instance) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = name;
    RegisterClassA(&wc);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    RegisterClass(kClassName, instance);
    RegisterClass(kOwnerClassName, instance);
    const bool owned = __argc > 1 && lstrcmpA(__argv[1], "--owned") == 0;
    HWND owner = nullptr;
    if (owned) {
        owner = CreateWindowExA(0, kOwnerClassName, "olxtitled owner", WS_OVERLAPPED, 0, 0, 10, 10,
                                nullptr, nullptr, instance, nullptr);
        if (!owner) return 2;
    }
    HWND window = CreateWindowExA(0, kClassName, kTitle, WS_OVERLAPPEDWINDOW, 20, 20, 240, 120,
                                  owner, nullptr, instance, nullptr);
    if (!window) return 2;
    ShowWindow(window, SW_SHOW);

    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return msg.wParam == 0 ? kQuitReceived : 0;
}
