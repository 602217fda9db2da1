// olxdriver COMMAND ARG...: one question or action per run; see Driver.h for the output form.
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstring>

#include "Driver.h"

namespace {

using olxdriver::Args;

struct Command {
    const char* name;
    int (*run)(const Args&);
    const char* usage;
};

constexpr Command kCommands[] = {
    {"find", olxdriver::CmdFind, "TITLE [CLASS]        FindWindowA; '*' matches any"},
    {"wait", olxdriver::CmdWait, "TITLE [CLASS] [MS]   first visible top-level match"},
    {"list", olxdriver::CmdList, "[CLASS]              top-level windows"},
    {"owner", olxdriver::CmdOwner, "HWND"},
    {"rect", olxdriver::CmdRect, "HWND                 window rect, screen"},
    {"client", olxdriver::CmdClient, "HWND                 client rect, screen"},
    {"text", olxdriver::CmdText, "HWND"},
    {"visible", olxdriver::CmdVisible, "HWND"},
    {"info", olxdriver::CmdInfo, "HWND"},
    {"children", olxdriver::CmdChildren, "HWND                 all descendants"},
    {"gone", olxdriver::CmdGone, "HWND [MS]            wait until destroyed or hidden"},
    {"foreground", olxdriver::CmdForeground,
     "HWND [MS]            wait until it is the foreground"},
    {"activate", olxdriver::CmdActivate, "HWND                 SetForegroundWindow"},
    {"close", olxdriver::CmdClose, "HWND                 post WM_CLOSE"},
    {"quit", olxdriver::CmdQuit, "HWND                 post WM_QUIT"},
    {"status", olxdriver::CmdStatus, "HWND                 status bar parts"},
    {"progress", olxdriver::CmdProgress, "HWND"},
    {"msgbox", olxdriver::CmdMsgbox, "[TITLE] [MS]         wait for a #32770 window"},
    {"press", olxdriver::CmdPress, "HWND ID              post a button click"},
    {"settext", olxdriver::CmdSetText, "HWND ID|- TEXT"},
    {"readlnk", olxdriver::CmdReadLink, "PATH"},
    {"writelnk", olxdriver::CmdWriteLink, "PATH TARGET [WORKDIR]"},
    {"shortpath", olxdriver::CmdShortPath, "PATH"},
    {"longpath", olxdriver::CmdLongPath, "PATH"},
    {"memory", olxdriver::CmdMemory, ""},
    {"echo", olxdriver::CmdEcho, "ARG...               bytes of the arguments"},
    {"modules", olxdriver::CmdModules, "PID                  paths of a process's modules"},
    {"fonts", olxdriver::CmdFonts, "                     caption, menu and Marlett faces"},
    {"metrics", olxdriver::CmdMetrics, "                     dpi, menu and caption heights"},
    {"menubar", olxdriver::CmdMenuBar, "HWND                 menu bar rect, screen"},
    {"textsize", olxdriver::CmdTextSize, "FACE HEIGHT BOLD TEXT  text extent in that font"},
    {"dpichanged", olxdriver::CmdDpiChanged, "HWND DPI L T R B     send WM_DPICHANGED"},
    {"ping", olxdriver::CmdPing, "HWND COUNT MS        WM_NULL every MS, time-out 1 s"},
};

int Usage() {
    std::fputs("usage: olxdriver COMMAND ARG...\n", stderr);
    for (const Command& c : kCommands) std::fprintf(stderr, "  %-10s %s\n", c.name, c.usage);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    // Lines end in LF and texts pass as raw bytes.
    _setmode(_fileno(stdout), _O_BINARY);
    if (argc < 2) return Usage();
    for (const Command& c : kCommands) {
        if (std::strcmp(argv[1], c.name) != 0) continue;
        try {
            const int status = c.run(Args(argv + 2, argv + argc));
            std::fflush(stdout);
            return status;
        } catch (const olxdriver::Failure& failure) {
            std::fflush(stdout);
            std::fprintf(stderr, "olxdriver %s: %s\n", c.name, failure.what());
            return 2;
        }
    }
    return Usage();
}
