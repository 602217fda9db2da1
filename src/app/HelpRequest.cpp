#include "HelpRequest.h"

#include <shellapi.h>

#include <vector>

#include "Error.h"

namespace {

constexpr char kEngineClass[] = "MS_WINHELP";
// An engine that was started gets this long to show its window: 30 ticks of 100 ms.
constexpr UINT kTickMs = 100;
constexpr int kMaxTicks = 30;

bool EngineWindowExists() { return FindWindowA(kEngineClass, nullptr) != nullptr; }

// Windows 10 and 11 put a placeholder winhlp32.exe in the Windows folder that only says
// this kind of help is not supported. Its version resource carries the system's own version,
// 10.0 or later; the engine itself was last built for Windows 8.1 (6.3), and that build is
// what a user who wants the engine installs over the placeholder. The fixed version is read,
// not the description: that one is translated on localised systems.
constexpr WORD kFirstPlaceholderMajor = 10;

bool EngineIsPlaceholder() {
    char folder[MAX_PATH] = {};
    const UINT length = GetWindowsDirectoryA(folder, sizeof folder);
    if (length == 0 || length >= sizeof folder) return false;
    const std::string engine = std::string(folder, length) + "\\winhlp32.exe";
    DWORD unused = 0;
    const DWORD size = GetFileVersionInfoSizeA(engine.c_str(), &unused);
    if (size == 0) return false;  // missing, or no version resource: WinHelpA finds out
    std::vector<char> block(size, '\0');
    if (!GetFileVersionInfoA(engine.c_str(), 0, size, block.data())) return false;
    void* value = nullptr;
    UINT valueLength = 0;
    if (!VerQueryValueA(block.data(), "\\", &value, &valueLength) || !value ||
        valueLength < sizeof(VS_FIXEDFILEINFO)) {
        return false;
    }
    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
    return fixed->dwSignature == VS_FFI_SIGNATURE &&
           HIWORD(fixed->dwFileVersionMS) >= kFirstPlaceholderMajor;
}

// The failed request could not even start the engine: there is none to wait for.
bool EngineCannotStart(DWORD error) {
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_ACCESS_DENIED:
        case ERROR_MOD_NOT_FOUND:
        case ERROR_BAD_EXE_FORMAT:
        case ERROR_DLL_NOT_FOUND:
            return true;
        default:
            return false;
    }
}

}  // namespace

void HelpRequest::Show(HWND window, const std::string& helpFile, const std::string& page) {
    // One click, one request: while the engine is still starting for an earlier click, asking
    // again would reach it half-made, and the page could follow the engine.
    if (timer_.Enabled()) return;
    window_ = window;
    helpFile_ = helpFile;
    page_ = page;
    if (EngineIsPlaceholder()) {
        OpenPage();
        return;
    }
    // An engine that is up gets the request; whatever it answers, it reports a bad help
    // file itself, so the page never follows.
    const bool engineWasUp = EngineWindowExists();
    SetLastError(0);
    if (AskEngine() || engineWasUp) return;
    const DWORD error = GetLastError();
    if (EngineWindowExists()) {
        // Started by this request, it came up just after the request was given up.
        AskEngine();
    } else if (EngineCannotStart(error)) {
        OpenPage();
    } else {
        ticks_ = 0;
        timer_.Start(window, kTimerId, kTickMs);
    }
}

bool HelpRequest::Tick(UINT_PTR id) {
    if (id != kTimerId || !timer_.Enabled()) return false;
    if (EngineWindowExists()) {
        timer_.Stop();
        AskEngine();
    } else if (++ticks_ >= kMaxTicks) {
        timer_.Stop();
        OpenPage();
    }
    return true;
}

void HelpRequest::Quit() {
    timer_.Stop();
    if (asked_) WinHelpA(asked_, helpFile_.c_str(), HELP_QUIT, 0);
    asked_ = nullptr;
}

bool HelpRequest::AskEngine() {
    // A missing or broken help file is reported by the engine itself.
    if (!WinHelpA(window_, helpFile_.c_str(), HELP_FINDER, 0)) return false;
    asked_ = window_;
    return true;
}

void HelpRequest::OpenPage() const {
    // Nobody else would say that the page is missing. The page itself is opened: with a
    // "#fragment" the shell looks for a file of that name.
    if (GetFileAttributesA(page_.c_str()) == INVALID_FILE_ATTRIBUTES) {
        throw AppError::FileOpen(page_);
    }
    const auto result = reinterpret_cast<INT_PTR>(
        ShellExecuteA(window_, "open", page_.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    if (result <= 32) throw AppError::FileOpen(page_);
}
