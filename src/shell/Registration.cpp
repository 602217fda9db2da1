// regsvr32's entry points. Machine wide, under HKLM\Software\Classes, for .dwg, .dwt and .dxf:
//   CLSID\{ours}                       name; InprocServer32 = this DLL, Apartment
//                                      (the preview handler: AppID of the preview host)
//   .dwg\ShellEx\{IThumbnailProvider}  = {thumbnail handler}
//   .dwg\ShellEx\{IPreviewHandler}     = {preview handler}
// and the preview handler's name under ...\CurrentVersion\PreviewHandlers. A handler of
// another program that held an extension's ShellEx entry is kept as a value named after the
// extension under our CLSID key, and put back when we are unregistered.
#include <windows.h>
#include <shlobj.h>

#include <cstdio>
#include <string>

#include "ClassIds.h"
#include "ComResult.h"
#include "Module.h"
#include "RegistryEdit.h"

namespace {

constexpr char kClasses[] = "Software\\Classes\\";
constexpr char kPreviewHandlers[] = "Software\\Microsoft\\Windows\\CurrentVersion\\PreviewHandlers";
// The preview host surrogate of 64-bit Windows.
constexpr char kPreviewHostAppId[] = "{6d2b5079-2f0b-48dd-ab7f-97cec514d30b}";
constexpr const char* kExtensions[] = {".dwg", ".dwt", ".dxf"};

struct Handler {
    const CLSID& id;
    const char* name;
    const char* shellExKey;  // the interface the shell asks for, as the ShellEx subkey
    bool preview;
};

const Handler kHandlers[] = {
    {shell::kThumbnailHandlerId, "Ortholux DWG Thumbnail Handler",
     "{e357fccd-a995-4576-b01f-234630154e96}", false},
    {shell::kPreviewHandlerId, "Ortholux DWG Preview Handler",
     "{8895b1c6-b41f-4c1c-a562-0d564250836f}", true},
};

std::string GuidText(const GUID& id) {
    char text[40];
    std::snprintf(text, sizeof text, "{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  static_cast<unsigned long>(id.Data1), id.Data2, id.Data3, id.Data4[0],
                  id.Data4[1], id.Data4[2], id.Data4[3], id.Data4[4], id.Data4[5], id.Data4[6],
                  id.Data4[7]);
    return text;
}

std::string ClassKey(const Handler& h) {
    return std::string(kClasses) + "CLSID\\" + GuidText(h.id);
}
std::string ExtensionKey(const char* extension) { return std::string(kClasses) + extension; }
std::string ShellExKey(const Handler& h, const char* extension) {
    return ExtensionKey(extension) + "\\ShellEx\\" + h.shellExKey;
}

// Wide: the folder may be named in characters the ANSI code page lacks (an umlaut on a
// Japanese system), which the "A" function would turn into "?" and the shell could not load.
std::wstring DllPath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD size = static_cast<DWORD>(path.size());
        const DWORD length = GetModuleFileNameW(shell::DllInstance(), path.data(), size);
        if (length == 0) return {};
        if (length < size) return path.substr(0, length);
        if (size >= 32768) return {};  // no path is longer
        path.resize(size * 2);
    }
}

LONG Register(const Handler& h, const std::wstring& dll) {
    const std::string classKey = ClassKey(h);
    const std::string id = GuidText(h.id);
    LONG error = win::SetStringValue(HKEY_LOCAL_MACHINE, classKey, nullptr, h.name);
    if (!error)
        error =
            win::SetStringValue(HKEY_LOCAL_MACHINE, classKey + "\\InprocServer32", nullptr, dll);
    if (!error) {
        error = win::SetStringValue(HKEY_LOCAL_MACHINE, classKey + "\\InprocServer32",
                                    "ThreadingModel", "Apartment");
    }
    if (h.preview) {
        if (!error)
            error = win::SetStringValue(HKEY_LOCAL_MACHINE, classKey, "AppID", kPreviewHostAppId);
        if (!error)
            error = win::SetStringValue(HKEY_LOCAL_MACHINE, classKey, "DisplayName", h.name);
        if (!error)
            error = win::SetStringValue(HKEY_LOCAL_MACHINE, kPreviewHandlers, id.c_str(), h.name);
    }
    for (const char* extension : kExtensions) {
        if (error) break;
        const std::string entry = ShellExKey(h, extension);
        const std::string current = win::GetStringValue(HKEY_LOCAL_MACHINE, entry, nullptr);
        if (!current.empty() && lstrcmpiA(current.c_str(), id.c_str()) != 0) {
            error = win::SetStringValue(HKEY_LOCAL_MACHINE, classKey, extension, current);
        }
        if (!error) error = win::SetStringValue(HKEY_LOCAL_MACHINE, entry, nullptr, id);
    }
    return error;
}

// Every step is tried even after one fails, so as little as possible is left behind.
LONG Unregister(const Handler& h) {
    const std::string classKey = ClassKey(h);
    const std::string id = GuidText(h.id);
    LONG first = ERROR_SUCCESS;
    auto step = [&first](LONG error) {
        if (!first) first = error;
    };
    for (const char* extension : kExtensions) {
        const std::string entry = ShellExKey(h, extension);
        const std::string current = win::GetStringValue(HKEY_LOCAL_MACHINE, entry, nullptr);
        // An entry another program has taken over since is its own.
        if (lstrcmpiA(current.c_str(), id.c_str()) != 0) continue;
        const std::string previous = win::GetStringValue(HKEY_LOCAL_MACHINE, classKey, extension);
        if (!previous.empty()) {
            step(win::SetStringValue(HKEY_LOCAL_MACHINE, entry, nullptr, previous));
            continue;
        }
        step(win::DeleteKeyTree(HKEY_LOCAL_MACHINE, entry));
        step(win::DeleteKeyIfEmpty(HKEY_LOCAL_MACHINE, ExtensionKey(extension) + "\\ShellEx"));
        step(win::DeleteKeyIfEmpty(HKEY_LOCAL_MACHINE, ExtensionKey(extension)));
    }
    if (h.preview) step(win::DeleteValue(HKEY_LOCAL_MACHINE, kPreviewHandlers, id.c_str()));
    step(win::DeleteKeyTree(HKEY_LOCAL_MACHINE, classKey));
    return first;
}

LONG UnregisterAll() {
    LONG first = ERROR_SUCCESS;
    for (const Handler& h : kHandlers) {
        const LONG error = Unregister(h);
        if (!first) first = error;
    }
    return first;
}

void TellShell() { SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr); }

}  // namespace

extern "C" {

// Both catch everything: the keys' texts are made on the heap, and nothing may reach regsvr32.
STDAPI DllRegisterServer() {
    try {
        const std::wstring dll = DllPath();
        if (dll.empty()) {
            return HRESULT_FROM_WIN32(GetLastError() ? GetLastError() : ERROR_FILE_NOT_FOUND);
        }
        for (const Handler& h : kHandlers) {
            const LONG error = Register(h, dll);
            if (error) {
                UnregisterAll();  // nothing half-registered stays behind
                return HRESULT_FROM_WIN32(error);
            }
        }
        TellShell();
        return S_OK;
    } catch (...) {
        return shell::ResultOfCurrentException();
    }
}

STDAPI DllUnregisterServer() {
    try {
        const LONG error = UnregisterAll();
        TellShell();
        return error ? HRESULT_FROM_WIN32(error) : S_OK;
    } catch (...) {
        return shell::ResultOfCurrentException();
    }
}

}  // extern "C"
