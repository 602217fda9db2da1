// olxdriver: reads and pokes the windows of another Wine process for the end-to-end tests.
// Every command prints tab-separated lines "key<TAB>field...". Texts are the code page 932 bytes
// the windows hold, with "\", tab, CR, LF and other control bytes escaped (\\ \t \r \n \xNN);
// a 0x5C that is the second byte of a double-byte character is left as it is.
// The last line is "end STATUS". Exit status: 0 done, 1 a negative answer (not found, timed
// out), 2 a usage or system error, 3 the window named by the first argument is gone (before
// or while it was read: what was printed then is not to be trusted).
#pragma once

#include <windows.h>

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace olxdriver {

using Args = std::vector<std::string>;  // the words after the command name, cp932 bytes

constexpr int kDone = 0;
constexpr int kNo = 1;
constexpr int kGone = 3;

// Thrown for bad arguments and failed system calls; main prints it and exits with 2.
struct Failure : std::runtime_error {
    using std::runtime_error::runtime_error;
};
Failure LastError(std::string_view what);  // what + ": error N" from GetLastError()

// A window that a command was given has been destroyed; main exits with kGone.
struct WindowGone : Failure {
    using Failure::Failure;
};

// ---- output ----
std::string Escape(std::string_view cp932);
std::string Hex(HWND hwnd);
std::string Hex(unsigned long long value);
std::string Num(long long value);
std::string RectFields(const RECT& r);                             // "left\ttop\tright\tbottom"
std::string Line(std::initializer_list<std::string_view> fields);  // fields, tabs, LF
void Emit(std::initializer_list<std::string_view> fields);

// ---- arguments ----
const std::string& Arg(const Args& args, size_t index, const char* name);
HWND ArgHwnd(const Args& args, size_t index);  // hex, with or without 0x; must be a window
long long ArgNumber(const Args& args, size_t index, long long fallback);
const char* ArgPattern(const Args& args, size_t index);  // "*" or missing -> nullptr

// ---- windows ----
std::string WindowText(HWND hwnd);  // WM_GETTEXT with a time-out, else the server's copy
std::string ClassOf(HWND hwnd);
RECT ClientOnScreen(HWND hwnd);
HWND FindVisibleTopLevel(const char* title, const char* cls);  // nullptr patterns match any
HWND FindDescendant(HWND parent, const char* cls);             // first in EnumChildWindows order
HWND ControlOf(HWND hwnd, const char* cls);  // hwnd itself if of cls, else its first such child
bool WaitUntil(long long timeout_ms, bool (*done)(void*), void* context);
// SendMessageTimeoutA that gives up on a hung window with a Failure.
LRESULT Ask(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);

// ---- commands (Windows.cpp, CommonControls.cpp, Dialogs.cpp, Shell.cpp, Dpi.cpp,
// Process.cpp, SystemFonts.cpp) ----
int CmdFind(const Args&);
int CmdWait(const Args&);
int CmdList(const Args&);
int CmdOwner(const Args&);
int CmdRect(const Args&);
int CmdClient(const Args&);
int CmdWorkArea(const Args&);
int CmdText(const Args&);
int CmdVisible(const Args&);
int CmdInfo(const Args&);
int CmdChildren(const Args&);
int CmdGone(const Args&);
int CmdForeground(const Args&);
int CmdActivate(const Args&);
int CmdClose(const Args&);
int CmdQuit(const Args&);
int CmdStatus(const Args&);
int CmdProgress(const Args&);
int CmdMsgbox(const Args&);
int CmdPress(const Args&);
int CmdSetText(const Args&);
int CmdReadLink(const Args&);
int CmdWriteLink(const Args&);
int CmdShortPath(const Args&);
int CmdLongPath(const Args&);
int CmdFiles(const Args&);
int CmdMemory(const Args&);
int CmdEcho(const Args&);
// Dpi.cpp: layout at other dpi settings, and whether a window keeps answering.
int CmdMetrics(const Args&);
int CmdMenuBar(const Args&);
int CmdTextSize(const Args&);
int CmdDpiChanged(const Args&);
int CmdPing(const Args&);
int CmdModules(const Args&);
int CmdFonts(const Args&);

}  // namespace olxdriver
