#include "OpenDialog.h"

#include <commdlg.h>

#include <vector>

#include "SystemError.h"
#include "TaskWindows.h"

namespace {
// Room for the longest path the "A" file functions take, and then some.
constexpr size_t kFileBufferSize = 1024;

using GetOpenFileNameFunction = BOOL(WINAPI*)(OPENFILENAMEA*);

// The common-dialog library is loaded on the first Open command, not at start-up: under Wine
// it and the printing libraries it pulls in add about 30 ms before the first picture shows.
GetOpenFileNameFunction OpenFileNameFunction() {
    static const GetOpenFileNameFunction function = [] {
        const HMODULE library = LoadLibraryA("comdlg32.dll");
        const FARPROC address = library ? GetProcAddress(library, "GetOpenFileNameA") : nullptr;
        if (!address) win::ThrowLastError();
        return reinterpret_cast<GetOpenFileNameFunction>(reinterpret_cast<void*>(address));
    }();
    return function;
}
}  // namespace

bool TOpenDialog::Execute(HWND owner) {
    std::vector<char> file(kFileBufferSize, '\0');
    fileName_.copy(file.data(), file.size() - 1);

    OPENFILENAMEA dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = filter_.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = static_cast<DWORD>(file.size());
    // No OFN_FILEMUSTEXIST: a name that doesn't exist fails when it is opened. No
    // OFN_NOCHANGEDIR: the current directory follows the chosen file's folder.
    dialog.Flags = OFN_HIDEREADONLY | OFN_ENABLESIZING | OFN_EXPLORER;

    const GetOpenFileNameFunction getOpenFileName = OpenFileNameFunction();
    win::DisabledTaskWindows disabled;
    if (!getOpenFileName(&dialog)) return false;  // cancelled (or the dialog failed)
    fileName_ = file.data();
    return true;
}
