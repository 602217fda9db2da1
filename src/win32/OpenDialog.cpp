#include "OpenDialog.h"

#include <commdlg.h>

#include <vector>

#include "TaskWindows.h"

namespace {
// Room for the longest path the "A" file functions take, and then some.
constexpr size_t kFileBufferSize = 1024;
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

    win::DisabledTaskWindows disabled;
    if (!GetOpenFileNameA(&dialog)) return false;  // cancelled (or the dialog failed)
    fileName_ = file.data();
    return true;
}
