// What another process has loaded: the path of every module, the program file first. Under
// Wine this is how a manifest's effect shows from outside (which comctl32 file was loaded).
#include "Driver.h"  // windows.h comes first: psapi.h builds on it

#include <psapi.h>

#include <vector>

namespace olxdriver {

namespace {

struct ProcessHandle {
    HANDLE h;
    ~ProcessHandle() {
        if (h) CloseHandle(h);
    }
};

}  // namespace

// modules PID: "module PATH" per loaded module (32- and 64-bit alike).
int CmdModules(const Args& args) {
    const long long pid = ArgNumber(args, 0, -1);
    if (pid <= 0) throw Failure("modules needs a process id");
    ProcessHandle process{OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE,
                                      static_cast<DWORD>(pid))};
    if (!process.h) throw LastError("OpenProcess");

    // The list can grow between the calls while the process loads more: ask until it fits.
    std::vector<HMODULE> modules(64);
    for (;;) {
        DWORD needed = 0;
        const DWORD bytes = static_cast<DWORD>(modules.size() * sizeof(HMODULE));
        if (!EnumProcessModulesEx(process.h, modules.data(), bytes, &needed, LIST_MODULES_ALL))
            throw LastError("EnumProcessModulesEx");
        if (needed <= bytes) {
            modules.resize(needed / sizeof(HMODULE));
            break;
        }
        modules.resize(needed / sizeof(HMODULE) + 16);
    }
    for (HMODULE module : modules) {
        char path[MAX_PATH * 2] = {};
        if (!GetModuleFileNameExA(process.h, module, path, sizeof path)) continue;
        Emit({"module", Escape(path)});
    }
    return kDone;
}

}  // namespace olxdriver
