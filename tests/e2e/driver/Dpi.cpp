// Layout at other dpi settings (metrics, menu bar, text extents, WM_DPICHANGED) and whether a
// window keeps answering messages.
#include "Driver.h"
#include "RemoteBuffer.h"

namespace olxdriver {

// metrics: this process's dpi (Wine gives every program the setting it read at start) and
// the heights of a caption and of one line of menu bar at that setting.
int CmdMetrics(const Args&) {
    const HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    Emit({"dpi", Num(dpi)});
    Emit({"menu", Num(GetSystemMetrics(SM_CYMENU))});
    Emit({"caption", Num(GetSystemMetrics(SM_CYCAPTION))});
    Emit({"sizeframe", Num(GetSystemMetrics(SM_CYSIZEFRAME))});
    return kDone;
}

// menubar HWND: the menu bar's screen rectangle.
int CmdMenuBar(const Args& args) {
    const HWND hwnd = ArgHwnd(args, 0);
    MENUBARINFO info{};
    info.cbSize = sizeof info;
    if (!GetMenuBarInfo(hwnd, OBJID_MENU, 0, &info)) throw LastError("GetMenuBarInfo");
    Emit({"rect", RectFields(info.rcBar)});
    return kDone;
}

// textsize FACE HEIGHT BOLD TEXT: the extent of TEXT in a font of that face, character
// height in pixels and weight (BOLD 1 or 0), as a label measures its caption.
int CmdTextSize(const Args& args) {
    const std::string& face = Arg(args, 0, "FACE");
    const int height = static_cast<int>(ArgNumber(args, 1, 0));
    const bool bold = ArgNumber(args, 2, 0) != 0;
    const std::string& text = Arg(args, 3, "TEXT");
    const HFONT font = CreateFontA(-height, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE,
                                   FALSE, SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS,
                                   CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                   DEFAULT_PITCH | FF_DONTCARE, face.c_str());
    if (!font) throw LastError("CreateFontA");
    const HDC dc = CreateCompatibleDC(nullptr);
    const HGDIOBJ previous = SelectObject(dc, font);
    RECT bounds{};
    DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &bounds,
              DT_LEFT | DT_SINGLELINE | DT_NOPREFIX | DT_CALCRECT);
    SelectObject(dc, previous);
    DeleteDC(dc);
    DeleteObject(font);
    Emit({"size", Num(bounds.right - bounds.left), Num(bounds.bottom - bounds.top)});
    return kDone;
}

// dpichanged HWND DPI L T R B: WM_DPICHANGED as the system sends it when a window moves to a
// screen of another setting, with the suggested rectangle in the window's own process.
int CmdDpiChanged(const Args& args) {
    const HWND hwnd = ArgHwnd(args, 0);
    const auto dpi = static_cast<WORD>(ArgNumber(args, 1, 96));
    const RECT suggested{static_cast<LONG>(ArgNumber(args, 2, 0)),
                         static_cast<LONG>(ArgNumber(args, 3, 0)),
                         static_cast<LONG>(ArgNumber(args, 4, 0)),
                         static_cast<LONG>(ArgNumber(args, 5, 0))};
    RemoteBuffer rect(hwnd, sizeof suggested);
    rect.Write(&suggested, sizeof suggested);
    Ask(hwnd, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), rect.Address());
    return kDone;
}

// ping HWND COUNT MS: sends WM_NULL COUNT times, MS apart, each given 1 s to be answered;
// prints how many were answered and the slowest answer in ms.
int CmdPing(const Args& args) {
    const HWND hwnd = ArgHwnd(args, 0);
    const long long count = ArgNumber(args, 1, 10);
    const long long interval = ArgNumber(args, 2, 100);
    long long answered = 0;
    ULONGLONG slowest = 0;
    for (long long i = 0; i < count; ++i) {
        const ULONGLONG start = GetTickCount64();
        DWORD_PTR result = 0;
        if (SendMessageTimeoutA(hwnd, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 1000, &result)) ++answered;
        const ULONGLONG took = GetTickCount64() - start;
        if (took > slowest) slowest = took;
        Sleep(static_cast<DWORD>(interval));
    }
    Emit({"ping", Num(answered), Num(static_cast<long long>(slowest))});
    return kDone;
}

}  // namespace olxdriver
