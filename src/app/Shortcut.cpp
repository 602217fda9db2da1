// The shortcut goes through the shell link object: IShellLinkA takes the target and working
// folder, IPersistFile on the same object writes the .lnk file. The desktop folder comes
// from the user's shell-folder settings, read only.
#include "Shortcut.h"

#include <windows.h>
#include <shlobj.h>

#include "Error.h"
#include "Module.h"
#include "Registry.h"
#include "Scoped.h"
#include "SystemError.h"
#include "text/ShiftJis.h"

namespace {

constexpr char kShellFoldersKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr char kDesktopValue[] = "Desktop";
constexpr char kShortcutName[] = "\\ORTHOLUX.lnk";
constexpr int kWidePathChars = 256;

std::string DesktopFolder() {
    const win::RegistryKey key(HKEY_CURRENT_USER, kShellFoldersKey, KEY_ALL_ACCESS);
    return key.ReadString(kDesktopValue);
}

template <typename T>
win::ComPtr<T> QueryInterfaceOf(IUnknown* object, REFIID iid) {
    win::ComPtr<T> result;
    if (FAILED(object->QueryInterface(iid, result.OutVoid()))) {
        throw AppError(ErrorKind::InterfaceNotSupported);
    }
    return result;
}

}  // namespace

void CreateDesktopShortcut() {
    const std::string target = win::ModuleFileName();
    const std::string desktop = DesktopFolder();
    // Without a desktop folder the shortcut would land in the root of the current drive.
    if (desktop.empty()) throw AppError(ErrorKind::NoDesktopFolder);
    const std::string shortcutPath = desktop + kShortcutName;

    win::ComPtr<IUnknown> object;
    win::CheckCom(CoCreateInstance(CLSID_ShellLink, nullptr,
                                   CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, IID_IUnknown,
                                   object.OutVoid()));
    const auto link = QueryInterfaceOf<IShellLinkA>(object.Get(), IID_IShellLinkA);
    link->SetPath(target.c_str());
    link->SetWorkingDirectory(ExtractFileDir(target).c_str());

    WCHAR widePath[kWidePathChars] = {};
    if (MultiByteToWideChar(CP_ACP, 0, shortcutPath.c_str(), -1, widePath, kWidePathChars) == 0) {
        win::ThrowLastError();  // a path too long for the buffer is not silently dropped
    }
    const auto file = QueryInterfaceOf<IPersistFile>(object.Get(), IID_IPersistFile);
    win::CheckCom(file->Save(widePath, TRUE));
}
