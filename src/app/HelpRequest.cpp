#include "HelpRequest.h"

#include <shellapi.h>

#include "Error.h"

namespace {

constexpr char kEngineClass[] = "MS_WINHELP";
// An engine that was started gets this long to show its window: 30 ticks of 100 ms.
constexpr UINT kTickMs = 100;
constexpr int kMaxTicks = 30;

bool EngineWindowExists() { return FindWindowA(kEngineClass, nullptr) != nullptr; }

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
    timer_.Stop();  // a newer request replaces one still waiting for the engine
    window_ = window;
    helpFile_ = helpFile;
    page_ = page;
    SetLastError(0);
    if (AskEngine()) return;
    const DWORD error = GetLastError();
    if (EngineWindowExists()) {
        // The engine came up just after the request was given up: ask once more.
        if (!AskEngine()) OpenPage();
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
        if (!AskEngine()) OpenPage();
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
        throw AppError(FormatMessageText(msg::kFileOpen, page_));
    }
    const auto result = reinterpret_cast<INT_PTR>(
        ShellExecuteA(window_, "open", page_.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    if (result <= 32) throw AppError(FormatMessageText(msg::kFileOpen, page_));
}
