// bare_window.exe: the yardstick of startup_bench.py. The least a Win32 program does to put a
// painted window on the screen: register a class, create the window, show it, paint one
// colour in WM_PAINT. Nothing else, so its start-up time is Wine's own cost of a GUI program.
//   bare_window.exe [WIDTH HEIGHT]   outer size, default 257 x 211; centred on the screen
#include <windows.h>

#include <cstdlib>

namespace {

constexpr char kClassName[] = "OlxBareWindow";
constexpr char kTitle[] = "OlxBare";
constexpr COLORREF kPaint = RGB(0x20, 0xA0, 0x60);  // the pixel check looks for this colour

LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM w, LPARAM l) {
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        HBRUSH brush = CreateSolidBrush(kPaint);
        RECT client;
        GetClientRect(hwnd, &client);
        FillRect(dc, &client, brush);
        DeleteObject(brush);
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(hwnd, message, w, l);
}

int Extent(int index, int fallback) {
    if (__argc <= index) return fallback;
    const int value = std::atoi(__argv[index]);
    return value > 0 ? value : fallback;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.lpszClassName = kClassName;
    if (!RegisterClassA(&wc)) return 1;

    const int width = Extent(1, 257);
    const int height = Extent(2, 211);
    const int left = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    const int top = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    HWND hwnd = CreateWindowExA(0, kClassName, kTitle, WS_OVERLAPPEDWINDOW, left < 0 ? 0 : left,
                                top < 0 ? 0 : top, width, height, nullptr, nullptr, instance,
                                nullptr);
    if (!hwnd) return 1;
    ShowWindow(hwnd, show);
    UpdateWindow(hwnd);

    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return static_cast<int>(msg.wParam);
}
