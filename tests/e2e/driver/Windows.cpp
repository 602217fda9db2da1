// Top-level look-up, geometry and texts of windows that belong to other processes.
#include "Driver.h"

#include <cstdlib>
#include <cstring>

namespace olxdriver {

// ---- helpers ----

std::string WindowText(HWND hwnd) {
    // WM_GETTEXT is marshalled across processes and asks the window itself; a thread that is
    // blocked elsewhere would hang us, so fall back to the copy the server keeps.
    DWORD_PTR length = 0;
    if (SendMessageTimeoutA(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 1000, &length)) {
        // Wine counts characters here, not bytes: leave room for two bytes each.
        std::string buf(length * 2 + 2, '\0');
        DWORD_PTR copied = 0;
        if (SendMessageTimeoutA(hwnd, WM_GETTEXT, buf.size(), reinterpret_cast<LPARAM>(buf.data()),
                                SMTO_ABORTIFHUNG, 1000, &copied)) {
            buf.resize(strnlen(buf.data(), buf.size()));
            return buf;
        }
    }
    char buf[4096] = {};
    GetWindowTextA(hwnd, buf, sizeof buf);
    return buf;
}

std::string ClassOf(HWND hwnd) {
    char buf[256] = {};
    GetClassNameA(hwnd, buf, sizeof buf);
    return buf;
}

RECT ClientOnScreen(HWND hwnd) {
    RECT r{};
    if (!GetClientRect(hwnd, &r)) throw LastError("GetClientRect");
    MapWindowPoints(hwnd, nullptr, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

HWND FindVisibleTopLevel(const char* title, const char* cls) {
    HWND hwnd = nullptr;
    while ((hwnd = FindWindowExA(nullptr, hwnd, cls, title)) != nullptr)
        if (IsWindowVisible(hwnd)) return hwnd;
    return nullptr;
}

namespace {

struct DescendantSearch {
    const char* cls;
    HWND found;
};

BOOL CALLBACK MatchDescendant(HWND hwnd, LPARAM param) {
    auto* search = reinterpret_cast<DescendantSearch*>(param);
    if (lstrcmpiA(ClassOf(hwnd).c_str(), search->cls) != 0) return TRUE;
    search->found = hwnd;
    return FALSE;
}

}  // namespace

HWND FindDescendant(HWND parent, const char* cls) {
    DescendantSearch search{cls, nullptr};
    EnumChildWindows(parent, MatchDescendant, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND ControlOf(HWND hwnd, const char* cls) {
    if (lstrcmpiA(ClassOf(hwnd).c_str(), cls) == 0) return hwnd;
    HWND child = FindDescendant(hwnd, cls);
    if (!child) throw Failure(std::string("no ") + cls + " in " + Hex(hwnd));
    return child;
}

bool WaitUntil(long long timeout_ms, bool (*done)(void*), void* context) {
    const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(timeout_ms);
    for (;;) {
        if (done(context)) return true;
        if (GetTickCount64() >= deadline) return false;
        Sleep(20);
    }
}

LRESULT Ask(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(hwnd, message, wparam, lparam, SMTO_ABORTIFHUNG, 2000, &result))
        throw LastError("SendMessageTimeoutA");
    return static_cast<LRESULT>(result);
}

// ---- commands ----

int CmdFind(const Args& args) {
    HWND hwnd = FindWindowA(ArgPattern(args, 1), ArgPattern(args, 0));
    if (!hwnd) return kNo;
    Emit({"hwnd", Hex(hwnd)});
    return kDone;
}

// wait TITLE CLASS MS: "hwnd H" and "class C" of the first visible match. The class is read
// in the same look-up, so a window destroyed in between is skipped as never found.
int CmdWait(const Args& args) {
    struct Query {
        const char* title;
        const char* cls;
        HWND found;
        std::string found_class;
    } query{ArgPattern(args, 0), ArgPattern(args, 1), nullptr, {}};
    const bool found = WaitUntil(
        ArgNumber(args, 2, 10000),
        [](void* p) {
            auto* q = static_cast<Query*>(p);
            q->found = FindVisibleTopLevel(q->title, q->cls);
            q->found_class = q->found ? ClassOf(q->found) : std::string();
            return !q->found_class.empty();
        },
        &query);
    if (!found) return kNo;
    Emit({"hwnd", Hex(query.found)});
    Emit({"class", Escape(query.found_class)});
    return kDone;
}

namespace {

BOOL CALLBACK ListWindow(HWND hwnd, LPARAM param) {
    const char* cls = reinterpret_cast<const char*>(param);
    const std::string own_class = ClassOf(hwnd);
    if (cls && lstrcmpiA(own_class.c_str(), cls) != 0) return TRUE;
    RECT r{};
    GetWindowRect(hwnd, &r);
    char title[1024] = {};
    GetWindowTextA(hwnd, title, sizeof title);  // no message: a listed window may be hung
    Emit({"window", Hex(hwnd), Hex(GetWindow(hwnd, GW_OWNER)), Num(IsWindowVisible(hwnd) ? 1 : 0),
          Escape(own_class), RectFields(r), Escape(title)});
    return TRUE;
}

}  // namespace

int CmdList(const Args& args) {
    EnumWindows(ListWindow, reinterpret_cast<LPARAM>(ArgPattern(args, 0)));
    return kDone;
}

int CmdOwner(const Args& args) {
    Emit({"hwnd", Hex(GetWindow(ArgHwnd(args, 0), GW_OWNER))});
    return kDone;
}

int CmdRect(const Args& args) {
    RECT r{};
    if (!GetWindowRect(ArgHwnd(args, 0), &r)) throw LastError("GetWindowRect");
    Emit({"rect", RectFields(r)});
    return kDone;
}

int CmdClient(const Args& args) {
    Emit({"rect", RectFields(ClientOnScreen(ArgHwnd(args, 0)))});
    return kDone;
}

int CmdWorkArea(const Args& args) {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    const HMONITOR monitor = MonitorFromWindow(ArgHwnd(args, 0), MONITOR_DEFAULTTONEAREST);
    if (!GetMonitorInfoA(monitor, &info)) throw LastError("GetMonitorInfoA");
    Emit({"rect", RectFields(info.rcWork)});
    return kDone;
}

int CmdText(const Args& args) {
    Emit({"text", Escape(WindowText(ArgHwnd(args, 0)))});
    return kDone;
}

int CmdVisible(const Args& args) {
    Emit({"visible", Num(IsWindowVisible(ArgHwnd(args, 0)) ? 1 : 0)});
    return kDone;
}

int CmdInfo(const Args& args) {
    HWND hwnd = ArgHwnd(args, 0);
    RECT r{};
    GetWindowRect(hwnd, &r);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    Emit({"hwnd", Hex(hwnd)});
    Emit({"class", Escape(ClassOf(hwnd))});
    Emit({"id", Num(GetWindowLongPtrA(hwnd, GWLP_ID))});
    Emit({"style", Hex(static_cast<DWORD>(GetWindowLongPtrA(hwnd, GWL_STYLE)))});
    Emit({"exstyle", Hex(static_cast<DWORD>(GetWindowLongPtrA(hwnd, GWL_EXSTYLE)))});
    Emit({"visible", Num(IsWindowVisible(hwnd) ? 1 : 0)});
    Emit({"enabled", Num(IsWindowEnabled(hwnd) ? 1 : 0)});
    Emit({"foreground", Num(GetForegroundWindow() == hwnd ? 1 : 0)});
    Emit({"owner", Hex(GetWindow(hwnd, GW_OWNER))});
    Emit({"parent",
          Hex(GetAncestor(hwnd, GA_PARENT) == GetDesktopWindow() ? nullptr
                                                                 : GetAncestor(hwnd, GA_PARENT))});
    Emit({"pid", Num(pid)});
    Emit({"rect", RectFields(r)});
    Emit({"client", RectFields(ClientOnScreen(hwnd))});
    Emit({"text", Escape(WindowText(hwnd))});
    return kDone;
}

namespace {

BOOL CALLBACK ListChild(HWND hwnd, LPARAM) {
    RECT r{};
    GetWindowRect(hwnd, &r);
    Emit({"child", Hex(hwnd), Hex(GetParent(hwnd)), Escape(ClassOf(hwnd)), Num(GetDlgCtrlID(hwnd)),
          Hex(static_cast<DWORD>(GetWindowLongPtrA(hwnd, GWL_STYLE))),
          Num(IsWindowVisible(hwnd) ? 1 : 0), RectFields(r), Escape(WindowText(hwnd))});
    return TRUE;
}

}  // namespace

int CmdChildren(const Args& args) {
    EnumChildWindows(ArgHwnd(args, 0), ListChild, 0);
    return kDone;
}

int CmdGone(const Args& args) {
    // A closed window may be destroyed or only hidden (a hidden owner stays alive).
    HWND hwnd = reinterpret_cast<HWND>(std::strtoull(Arg(args, 0, "HWND").c_str(), nullptr, 16));
    const bool gone = WaitUntil(
        ArgNumber(args, 1, 10000),
        [](void* p) {
            HWND h = static_cast<HWND>(p);
            return !IsWindow(h) || !IsWindowVisible(h);
        },
        hwnd);
    Emit({"gone", Num(gone ? 1 : 0)});
    return gone ? kDone : kNo;
}

// Keys typed through X reach the focused window only: wait for it before typing. A window
// destroyed while waited for ends the wait at once (kGone from main).
int CmdForeground(const Args& args) {
    HWND hwnd = ArgHwnd(args, 0);
    const bool active = WaitUntil(
        ArgNumber(args, 1, 10000),
        [](void* p) {
            HWND h = static_cast<HWND>(p);
            return GetForegroundWindow() == h || !IsWindow(h);
        },
        hwnd);
    if (!IsWindow(hwnd)) throw WindowGone("destroyed while waited for");
    Emit({"foreground", Num(active ? 1 : 0)});
    return active ? kDone : kNo;
}

int CmdActivate(const Args& args) {
    HWND hwnd = ArgHwnd(args, 0);
    if (!SetForegroundWindow(hwnd)) throw LastError("SetForegroundWindow");
    return kDone;
}

// Posted, never sent: a handler that opens a modal loop would otherwise block the driver.
int CmdClose(const Args& args) {
    if (!PostMessageA(ArgHwnd(args, 0), WM_CLOSE, 0, 0)) throw LastError("PostMessageA");
    return kDone;
}

int CmdQuit(const Args& args) {
    if (!PostMessageA(ArgHwnd(args, 0), WM_QUIT, 0, 0)) throw LastError("PostMessageA");
    return kDone;
}

}  // namespace olxdriver
