// Shell links, path forms, memory figures and the driver's own command line.
#include "Driver.h"

#include <objbase.h>
#include <shlobj.h>

#include <cstdio>

namespace olxdriver {

namespace {

std::wstring Wide(const std::string& cp932) {
    const int n = MultiByteToWideChar(CP_ACP, 0, cp932.c_str(), -1, nullptr, 0);
    std::wstring wide(n > 0 ? n : 1, L'\0');
    MultiByteToWideChar(CP_ACP, 0, cp932.c_str(), -1, wide.data(), n);
    wide.resize(wcslen(wide.c_str()));
    return wide;
}

template <typename T>
struct Released {
    T* p = nullptr;
    ~Released() {
        if (p) p->Release();
    }
};

struct ComScope {
    ComScope() {
        if (FAILED(CoInitialize(nullptr))) throw Failure("CoInitialize failed");
    }
    ~ComScope() { CoUninitialize(); }
};

void Check(HRESULT hr, const char* what) {
    if (FAILED(hr)) throw Failure(std::string(what) + " failed: " + Hex(static_cast<DWORD>(hr)));
}

}  // namespace

// readlnk PATH: "target", "workdir", "args" and "desc" lines of a shortcut file.
int CmdReadLink(const Args& args) {
    const std::wstring path = Wide(Arg(args, 0, "PATH"));
    ComScope com;
    Released<IShellLinkA> link;
    Released<IPersistFile> file;
    Check(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                           reinterpret_cast<void**>(&link.p)),
          "CoCreateInstance");
    Check(link.p->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file.p)),
          "QueryInterface");
    Check(file.p->Load(path.c_str(), STGM_READ), "IPersistFile::Load");
    char buf[MAX_PATH * 2] = {};
    Check(link.p->GetPath(buf, sizeof buf, nullptr, SLGP_RAWPATH), "GetPath");
    Emit({"target", Escape(buf)});
    buf[0] = '\0';
    Check(link.p->GetWorkingDirectory(buf, sizeof buf), "GetWorkingDirectory");
    Emit({"workdir", Escape(buf)});
    buf[0] = '\0';
    Check(link.p->GetArguments(buf, sizeof buf), "GetArguments");
    Emit({"args", Escape(buf)});
    buf[0] = '\0';
    Check(link.p->GetDescription(buf, sizeof buf), "GetDescription");
    Emit({"desc", Escape(buf)});
    return kDone;
}

// writelnk PATH TARGET [WORKDIR]: writes a shortcut, for tests that need one beforehand.
int CmdWriteLink(const Args& args) {
    const std::wstring path = Wide(Arg(args, 0, "PATH"));
    ComScope com;
    Released<IShellLinkA> link;
    Released<IPersistFile> file;
    Check(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                           reinterpret_cast<void**>(&link.p)),
          "CoCreateInstance");
    Check(link.p->SetPath(Arg(args, 1, "TARGET").c_str()), "SetPath");
    if (args.size() > 2) Check(link.p->SetWorkingDirectory(args[2].c_str()), "SetWorkingDirectory");
    Check(link.p->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file.p)),
          "QueryInterface");
    Check(file.p->Save(path.c_str(), TRUE), "IPersistFile::Save");
    return kDone;
}

// shortpath PATH / longpath PATH: "path" line with the other form of an existing path.
int CmdShortPath(const Args& args) {
    char buf[MAX_PATH * 2] = {};
    const DWORD n = GetShortPathNameA(Arg(args, 0, "PATH").c_str(), buf, sizeof buf);
    if (n == 0 || n >= sizeof buf) return kNo;
    Emit({"path", Escape(buf)});
    return kDone;
}

int CmdLongPath(const Args& args) {
    char buf[MAX_PATH * 2] = {};
    const DWORD n = GetLongPathNameA(Arg(args, 0, "PATH").c_str(), buf, sizeof buf);
    if (n == 0 || n >= sizeof buf) return kNo;
    Emit({"path", Escape(buf)});
    return kDone;
}

// files PATTERN: one "file" line per entry FindFirstFileA/FindNextFileA give, its name's
// bytes in hex and as text: the names a program of the ANSI code page sees.
int CmdFiles(const Args& args) {
    WIN32_FIND_DATAA found{};
    const HANDLE search = FindFirstFileA(Arg(args, 0, "PATTERN").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return kNo;
    do {
        std::string hex;
        for (const unsigned char c : std::string(found.cFileName)) {
            char pair[4];
            std::snprintf(pair, sizeof pair, "%02x", c);
            hex += pair;
        }
        Emit({"file", hex, Escape(found.cFileName)});
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return kDone;
}

// memory: what GlobalMemoryStatusEx and GlobalMemoryStatus report, in bytes.
int CmdMemory(const Args&) {
    MEMORYSTATUSEX ex{};
    ex.dwLength = sizeof ex;
    if (!GlobalMemoryStatusEx(&ex)) throw LastError("GlobalMemoryStatusEx");
    MEMORYSTATUS plain{};
    plain.dwLength = sizeof plain;
    GlobalMemoryStatus(&plain);
    Emit({"load", Num(ex.dwMemoryLoad)});
    Emit({"ex_total", Num(static_cast<long long>(ex.ullTotalPhys))});
    Emit({"ex_avail", Num(static_cast<long long>(ex.ullAvailPhys))});
    Emit({"total", Num(static_cast<long long>(plain.dwTotalPhys))});
    Emit({"avail", Num(static_cast<long long>(plain.dwAvailPhys))});
    return kDone;
}

// echo ARG...: the code page and each argument's bytes as the driver received them.
int CmdEcho(const Args& args) {
    Emit({"acp", Num(GetACP())});
    for (size_t i = 0; i < args.size(); ++i) {
        std::string hex;
        for (unsigned char c : args[i]) {
            char pair[4];
            std::snprintf(pair, sizeof pair, "%02x", c);
            hex += pair;
        }
        Emit({"arg", Num(static_cast<long long>(i)), hex, Escape(args[i])});
    }
    return kDone;
}

}  // namespace olxdriver
