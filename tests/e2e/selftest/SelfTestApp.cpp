// olxselftest.exe: a small window the harness tests itself against. It has what the viewer
// has (a menu with access keys, a two-part status bar, file drops, a message box, a progress
// bar, a browser launch) and paints known colours at known places.
//   status part 0: "準備完了" at start, "ドロップ N" after a drop, "応答 N" after the box
//   status part 1: the first command-line argument, then the dropped names joined by "|"
// Started with "--no-drop" it does not accept files, so that drops on it are refused.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <string>

namespace {

constexpr char kClassName[] = "OlxSelfTest";
constexpr char kTitle[] = "E2E自己テスト";
constexpr char kBoxText[] = "表示テスト\nソース: 1行目";  // 表 and ソ end in a 0x5C byte
constexpr char kHomePage[] = "http://example.invalid/olx?q=1";

constexpr int kMessageCommand = 101;
constexpr int kBrowserCommand = 102;
constexpr int kExitCommand = 103;
constexpr int kStatusId = 200;
constexpr int kProgressId = 201;
constexpr int kEditId = 202;

// Painted colours the pixel check looks for, in client coordinates.
constexpr COLORREF kBackground = RGB(0x33, 0x66, 0x99);
constexpr COLORREF kMarker = RGB(0xE0, 0x10, 0x20);
constexpr RECT kMarkerRect{20, 20, 60, 60};

HWND status_bar = nullptr;

void SetPart(int part, const std::string& text) {
    SendMessageA(status_bar, SB_SETTEXTA, part, reinterpret_cast<LPARAM>(text.c_str()));
}

HMENU BuildMenu() {
    HMENU file = CreatePopupMenu();
    AppendMenuA(file, MF_STRING, kMessageCommand, "メッセージ(&M)...");
    AppendMenuA(file, MF_STRING, kBrowserCommand, "ホームページ(&H)");
    AppendMenuA(file, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(file, MF_STRING, kExitCommand, "終了(&X)");
    HMENU bar = CreateMenu();
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), "ファイル(&F)");
    return bar;
}

void CreateControls(HWND hwnd) {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    status_bar =
        CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0, 0, 0,
                        hwnd, reinterpret_cast<HMENU>(kStatusId), instance, nullptr);
    int rights[2] = {150, -1};
    SendMessageA(status_bar, SB_SETPARTS, 2, reinterpret_cast<LPARAM>(rights));
    SetPart(0, "準備完了");
    if (__argc > 1) SetPart(1, __argv[1]);

    HWND progress =
        CreateWindowExA(0, PROGRESS_CLASSA, "", WS_CHILD | WS_VISIBLE | PBS_SMOOTH, 80, 20, 200, 17,
                        hwnd, reinterpret_cast<HMENU>(kProgressId), instance, nullptr);
    SendMessageA(progress, PBM_SETRANGE32, 0, 1000);
    SendMessageA(progress, PBM_SETPOS, 250, 0);
    CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "編集欄", WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, 80,
                    50, 200, 22, hwnd, reinterpret_cast<HMENU>(kEditId), instance, nullptr);
    if (__argc < 2 || lstrcmpA(__argv[1], "--no-drop") != 0) DragAcceptFiles(hwnd, TRUE);
}

void OnDropFiles(HDROP drop) {
    const UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
    std::string names;
    for (UINT i = 0; i < count; ++i) {
        char name[MAX_PATH * 2] = {};
        DragQueryFileA(drop, i, name, sizeof name);
        if (i) names += '|';
        names += name;
    }
    DragFinish(drop);
    SetPart(0, "ドロップ " + std::to_string(count));
    SetPart(1, names);
}

void OnCommand(HWND hwnd, int id) {
    switch (id) {
        case kMessageCommand: {
            const int answer =
                MessageBoxA(hwnd, kBoxText, kTitle, MB_OKCANCEL | MB_ICONINFORMATION);
            SetPart(0, "応答 " + std::to_string(answer));
            break;
        }
        case kBrowserCommand:
            ShellExecuteA(hwnd, "open", kHomePage, nullptr, nullptr, SW_SHOW);
            break;
        case kExitCommand:
            DestroyWindow(hwnd);
            break;
    }
}

void Paint(HWND hwnd) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    HBRUSH marker = CreateSolidBrush(kMarker);
    FillRect(dc, &kMarkerRect, marker);
    DeleteObject(marker);
    EndPaint(hwnd, &ps);
}

LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_CREATE:
            CreateControls(hwnd);
            return 0;
        case WM_SIZE:
            SendMessageA(status_bar, WM_SIZE, 0, 0);
            return 0;
        case WM_PAINT:
            Paint(hwnd);
            return 0;
        case WM_DROPFILES:
            OnDropFiles(reinterpret_cast<HDROP>(wparam));
            return 0;
        case WM_COMMAND:
            OnCommand(hwnd, LOWORD(wparam));
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
    }
    return DefWindowProcA(hwnd, message, wparam, lparam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);

    WNDCLASSA wc{};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.hbrBackground = CreateSolidBrush(kBackground);
    wc.lpszClassName = kClassName;
    if (!RegisterClassA(&wc)) return 1;

    HWND hwnd = CreateWindowExA(0, kClassName, kTitle, WS_OVERLAPPEDWINDOW, 100, 100, 480, 320,
                                nullptr, BuildMenu(), instance, nullptr);
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
