#include "Application.h"

#include <commctrl.h>
#include <objbase.h>

#include <algorithm>
#include <new>

#include "Error.h"
#include "Form.h"
#include "TaskWindows.h"
#include "text/ErrorText.h"

TApplication* Application = nullptr;

namespace {

constexpr char kClassName[] = "TApplication";
// Only something other than std::exception can reach this; nothing in the program throws it.
constexpr char kUnknownError[] = "不明な例外が発生しました";

}  // namespace

TApplication::TApplication() {
    const HRESULT com = CoInitialize(nullptr);
    comInitialized_ = SUCCEEDED(com);  // S_FALSE too needs its CoUninitialize

    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);

    RegisterOnce({.name = kClassName});
    // Hidden, untitled until the title is set, so a look-up for an earlier copy by the
    // title can never meet it.
    CreateHandle({.className = kClassName,
                  .text = "",
                  .style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPSIBLINGS,
                  .x = GetSystemMetrics(SM_CXSCREEN) / 2,
                  .y = GetSystemMetrics(SM_CYSCREEN) / 2});
    Application = this;
}

TApplication::~TApplication() {
    // The help engine was told to quit by the window that asked it for help.
    Application = nullptr;
    if (Handle()) DestroyWindow(Handle());
    if (comInitialized_) CoUninitialize();
}

void TApplication::SetTitle(const std::string& title) {
    title_ = title;
    Window().SetText(title_);
}

void TApplication::RemoveModelessDialog(HWND dialog) {
    modeless_.erase(std::remove(modeless_.begin(), modeless_.end(), dialog), modeless_.end());
}

bool TApplication::IsModelessDialogMessage(MSG& message) const {
    for (HWND dialog : modeless_) {
        if (IsWindow(dialog) && IsDialogMessageA(dialog, &message)) return true;
    }
    return false;
}

void TApplication::Run() {
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (IsModelessDialogMessage(message)) continue;
        // Menus and message boxes run loops of their own: keys meant for them never get here.
        // What a key does may throw, and this is no window procedure: the error box shows it
        // as the window thunk would.
        bool taken = false;
        try {
            taken = mainForm_ && mainForm_->PreviewKey(message);
        } catch (...) {
            taken = true;  // a key that failed was still this form's
            ShowException(std::current_exception());
        }
        if (taken) continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

void TApplication::ShowException(std::exception_ptr error) {
    const std::string text = WithFinalPeriod(ExceptionText(error));
    win::DisabledTaskWindows disabled;
    MessageBoxA(Handle(), text.c_str(), title_.c_str(), MB_ICONSTOP);
}

std::string ExceptionText(std::exception_ptr error) {
    try {
        std::rethrow_exception(error);
    } catch (const AppError& e) {
        return ErrorText(e);
    } catch (const std::bad_alloc&) {
        return ErrorText(AppError(ErrorKind::OutOfMemory));
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return kUnknownError;
    }
}

void ShowHandlerException(std::exception_ptr error) noexcept {
    try {
        if (Application) {
            Application->ShowException(error);
        } else {
            const std::string text = WithFinalPeriod(ExceptionText(error));
            MessageBoxA(nullptr, text.c_str(), "", MB_ICONSTOP);
        }
    } catch (...) {
        // Nothing is left to report with; the loop goes on.
    }
}
