#pragma once
// The program file itself: its instance handle and full path.
#include <windows.h>

#include <string>

namespace win {

inline HINSTANCE ModuleInstance() { return GetModuleHandleA(nullptr); }

// The program file's full path (GetModuleFileNameA, at most MAX_PATH bytes).
inline std::string ModuleFileName() {
    char path[MAX_PATH + 1] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    return std::string(path, length < MAX_PATH ? length : MAX_PATH);
}

}  // namespace win
