// Message boxes and dialog controls.
#include "Driver.h"

#include <cstdio>

namespace olxdriver {

namespace {

BOOL CALLBACK ListButton(HWND hwnd, LPARAM param) {
    if (lstrcmpiA(ClassOf(hwnd).c_str(), "Button") == 0 && IsWindowVisible(hwnd))
        *reinterpret_cast<std::string*>(param) +=
            Line({"button", Num(GetDlgCtrlID(hwnd)), Escape(WindowText(hwnd))});
    return TRUE;
}

std::string DescribeBox(HWND box) {
    std::string lines = Line({"hwnd", Hex(box)});
    lines += Line({"owner", Hex(GetWindow(box, GW_OWNER))});
    lines += Line({"caption", Escape(WindowText(box))});
    HWND text = GetDlgItem(box, 0xFFFF);
    lines += Line({"text", Escape(text ? WindowText(text) : std::string())});
    EnumChildWindows(box, ListButton, reinterpret_cast<LPARAM>(&lines));
    return lines;
}

}  // namespace

// msgbox [TITLE] [TIMEOUT_MS]: waits for a visible #32770 window (captioned TITLE unless "*").
//   hwnd HWND / owner HWND / caption TEXT / text TEXT / button ID TEXT (one per button)
// A box that closes while it is read is not reported: the wait goes on for the next one.
int CmdMsgbox(const Args& args) {
    struct Query {
        const char* title;
        HWND found;
        std::string lines;
    } query{ArgPattern(args, 0), nullptr, {}};
    const bool found = WaitUntil(
        ArgNumber(args, 1, 10000),
        [](void* p) {
            auto* q = static_cast<Query*>(p);
            q->found = FindVisibleTopLevel(q->title, "#32770");
            if (!q->found) return false;
            q->lines = DescribeBox(q->found);
            return IsWindow(q->found) && IsWindowVisible(q->found);
        },
        &query);
    if (!found) return kNo;
    std::fwrite(query.lines.data(), 1, query.lines.size(), stdout);
    return kDone;
}

// press HWND ID: a click on button ID of dialog HWND, posted as the button's WM_COMMAND so
// that a handler which opens another modal window cannot block us.
int CmdPress(const Args& args) {
    HWND dialog = ArgHwnd(args, 0);
    const int id = static_cast<int>(ArgNumber(args, 1, IDOK));
    HWND button = GetDlgItem(dialog, id);
    if (!PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                      reinterpret_cast<LPARAM>(button)))
        throw LastError("PostMessageA");
    return kDone;
}

// settext HWND ID|- TEXT: WM_SETTEXT on control ID of HWND, or on HWND itself for "-".
int CmdSetText(const Args& args) {
    HWND hwnd = ArgHwnd(args, 0);
    HWND target = hwnd;
    if (Arg(args, 1, "ID") != "-")
        target = GetDlgItem(hwnd, static_cast<int>(ArgNumber(args, 1, 0)));
    if (!target) throw Failure("no control " + args[1]);
    const std::string& text = Arg(args, 2, "TEXT");
    return Ask(target, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str())) ? kDone : kNo;
}

}  // namespace olxdriver
