// olxdriver COMMAND ARG...: one question or action per run; see Driver.h for the output form.
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "Driver.h"

namespace {

using olxdriver::Args;

// What a command does with the window its first argument names.
enum class Target {
    None,  // no window, or one it waits for to go
    Acts,  // posts to it: the window may go right after, as a result
    Reads  // reads it: one destroyed before the last read gives a mix of its values and zeros
};

struct Command {
    const char* name;
    int (*run)(const Args&);
    const char* usage;
    Target target = Target::None;
};

constexpr Target kActs = Target::Acts;
constexpr Target kReads = Target::Reads;

bool FirstWindowGone(const Args& args) {
    if (args.empty()) return false;
    char* end = nullptr;
    const unsigned long long value = std::strtoull(args[0].c_str(), &end, 16);
    return !args[0].empty() && *end == '\0' && !IsWindow(reinterpret_cast<HWND>(value));
}

int Gone(const Command& c, const Args& args) {
    std::fflush(stdout);
    std::fprintf(stderr, "olxdriver %s: window %s is gone\n", c.name, args[0].c_str());
    return olxdriver::kGone;
}

constexpr Command kCommands[] = {
    {"find", olxdriver::CmdFind, "TITLE [CLASS]        FindWindowA; '*' matches any"},
    {"wait", olxdriver::CmdWait, "TITLE [CLASS] [MS]   first visible top-level match"},
    {"list", olxdriver::CmdList, "[CLASS]              top-level windows"},
    {"owner", olxdriver::CmdOwner, "HWND", kReads},
    {"rect", olxdriver::CmdRect, "HWND                 window rect, screen", kReads},
    {"client", olxdriver::CmdClient, "HWND                 client rect, screen", kReads},
    {"workarea", olxdriver::CmdWorkArea, "HWND                 its monitor's work area", kReads},
    {"text", olxdriver::CmdText, "HWND", kReads},
    {"visible", olxdriver::CmdVisible, "HWND", kReads},
    {"info", olxdriver::CmdInfo, "HWND", kReads},
    {"children", olxdriver::CmdChildren, "HWND                 all descendants", kReads},
    {"gone", olxdriver::CmdGone, "HWND [MS]            wait until destroyed or hidden"},
    {"foreground", olxdriver::CmdForeground, "HWND [MS]            wait until it is the foreground",
     kActs},
    {"activate", olxdriver::CmdActivate, "HWND                 SetForegroundWindow", kActs},
    {"close", olxdriver::CmdClose, "HWND                 post WM_CLOSE", kActs},
    {"quit", olxdriver::CmdQuit, "HWND                 post WM_QUIT", kActs},
    {"status", olxdriver::CmdStatus, "HWND                 status bar parts", kReads},
    {"progress", olxdriver::CmdProgress, "HWND", kReads},
    {"msgbox", olxdriver::CmdMsgbox, "[TITLE] [MS]         wait for a #32770 window"},
    {"press", olxdriver::CmdPress, "HWND ID              post a button click", kActs},
    {"settext", olxdriver::CmdSetText, "HWND ID|- TEXT", kActs},
    {"readlnk", olxdriver::CmdReadLink, "PATH"},
    {"writelnk", olxdriver::CmdWriteLink, "PATH TARGET [WORKDIR]"},
    {"shortpath", olxdriver::CmdShortPath, "PATH"},
    {"longpath", olxdriver::CmdLongPath, "PATH"},
    {"files", olxdriver::CmdFiles, "PATTERN              names FindFirstFileA gives"},
    {"memory", olxdriver::CmdMemory, ""},
    {"echo", olxdriver::CmdEcho, "ARG...               bytes of the arguments"},
    {"modules", olxdriver::CmdModules, "PID                  paths of a process's modules"},
    {"fonts", olxdriver::CmdFonts, "                     caption, menu and Marlett faces"},
    {"metrics", olxdriver::CmdMetrics, "                     dpi, menu and caption heights"},
    {"menubar", olxdriver::CmdMenuBar, "HWND                 menu bar rect, screen", kReads},
    {"textsize", olxdriver::CmdTextSize, "FACE HEIGHT BOLD TEXT  text extent in that font"},
    {"dpichanged", olxdriver::CmdDpiChanged, "HWND DPI L T R B     send WM_DPICHANGED", kActs},
    {"ping", olxdriver::CmdPing, "HWND COUNT MS        WM_NULL every MS, time-out 1 s", kReads},
};

int Usage() {
    std::fputs("usage: olxdriver COMMAND ARG...\n", stderr);
    for (const Command& c : kCommands) std::fprintf(stderr, "  %-10s %s\n", c.name, c.usage);
    return 2;
}

int Run(const Command& c, const Args& args) {
    try {
        const int status = c.run(args);
        if (c.target == Target::Reads && FirstWindowGone(args)) return Gone(c, args);
        return status;
    } catch (const olxdriver::WindowGone&) {
        return Gone(c, args);
    } catch (const olxdriver::Failure& failure) {
        if (c.target != Target::None && FirstWindowGone(args)) return Gone(c, args);
        std::fflush(stdout);
        std::fprintf(stderr, "olxdriver %s: %s\n", c.name, failure.what());
        return 2;
    }
}

}  // namespace

int main(int argc, char** argv) {
    // Lines end in LF and texts pass as raw bytes.
    _setmode(_fileno(stdout), _O_BINARY);
    int status = 2;
    const Command* command = nullptr;
    if (argc >= 2)
        for (const Command& c : kCommands)
            if (std::strcmp(argv[1], c.name) == 0) command = &c;
    status = command ? Run(*command, Args(argv + 2, argv + argc)) : Usage();
    // The last line tells a finished run from a process that ended before it could answer.
    olxdriver::Emit({"end", olxdriver::Num(status)});
    std::fflush(stdout);
    return status;
}
