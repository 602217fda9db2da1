// olxhelpstub.exe: stands in for the winhlp32.exe that Windows 10 and 11 keep in the Windows
// folder in place of the help engine. Its version resource says what theirs says (version
// 10.0, "Windows Winhlp32 Stub"); started, it only shows that this help is not supported, as
// theirs does, and creates no engine window. Put in a test prefix's Windows folder in place of
// Wine's winhlp32.exe. Every start leaves "<its path>.started" behind, so a test can tell that
// it was never started without waiting for a box that might yet come.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    char path[MAX_PATH + 16] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (length > 0 && length < MAX_PATH) {
        lstrcatA(path, ".started");
        const HANDLE trace = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                         FILE_ATTRIBUTE_NORMAL, nullptr);
        if (trace != INVALID_HANDLE_VALUE) CloseHandle(trace);
    }
    MessageBoxA(nullptr, "この形式のヘルプはこのバージョンの Windows ではサポートされていません",
                "Windows ヘルプ プレースホルダー", MB_ICONINFORMATION);
    return 0;
}
